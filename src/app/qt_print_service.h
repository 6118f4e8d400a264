#pragma once
// The print dialogs of the GUI: Qt's print dialog before every print job and
// its page setup dialog for "Page Setup". Where no printer is installed the
// print dialog opens on a PDF file in the data directory, named after the
// job; a PDF file is written whole when the job ends, or not at all.

#include "platform/printer.h"

#include <QPointer>
#include <QWidget>

namespace app {

class QtPrintService final : public platform::PrintService {
public:
    explicit QtPrintService(QWidget* parent = nullptr) : parent_(parent) {}

    // The window the dialogs are modal to.
    void setParent(QWidget* parent) { parent_ = parent; }

    std::unique_ptr<platform::Printer> startJob(std::string_view jobTitle,
                                                const platform::PageSetup& setup) override;
    bool pageSetup(platform::PageSetup& setup) override;

    // The PDF file a job offers when there is no printer.
    static std::string pdfFileFor(std::string_view jobTitle);

private:
    QPointer<QWidget> parent_;
};

} // namespace app
