#include "app/qt_print_service.h"

#include "platform/files.h"
#include "platform/qt_printer.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cctype>

namespace app {

namespace {

// A printer that owns the QPrinter it paints on.
struct PrinterHolder {
    std::unique_ptr<QPrinter> device;
};

class SystemPrinter final : private PrinterHolder, public platform::QtPrinter {
public:
    explicit SystemPrinter(std::unique_ptr<QPrinter> printer)
        : PrinterHolder{std::move(printer)}, QtPrinter(*device) {}
};

std::unique_ptr<QPrinter> printerFor(std::string_view title, const platform::PageSetup& setup) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(QtPrintService::pdfFileFor(title)));
    } else if (!setup.printerName.empty()) {
        printer->setPrinterName(QString::fromStdString(setup.printerName));
    }
    platform::applyPageSetup(*printer, setup);
    return printer;
}

} // namespace

std::string QtPrintService::pdfFileFor(std::string_view jobTitle) {
    std::string name;
    for (char c : jobTitle)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    return (platform::dataDirectory() / ((name.empty() ? "print" : name) + ".pdf")).string();
}

std::unique_ptr<platform::Printer> QtPrintService::startJob(std::string_view jobTitle,
                                                            const platform::PageSetup& setup) {
    std::unique_ptr<QPrinter> printer = printerFor(jobTitle, setup);
    QPrintDialog dialog(printer.get(), parent_);
    dialog.setWindowTitle(
        QString::fromUtf8(jobTitle.data(), static_cast<qsizetype>(jobTitle.size())));
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    if (printer->outputFormat() == QPrinter::PdfFormat) {
        const std::string path = printer->outputFileName().toStdString();
        if (path.empty()) return nullptr;
        return platform::makePdfPrinter(path, platform::pageSetupFrom(printer->pageLayout()),
                                        jobTitle);
    }
    return std::make_unique<SystemPrinter>(std::move(printer));
}

bool QtPrintService::pageSetup(platform::PageSetup& setup) {
    std::unique_ptr<QPrinter> printer = printerFor("Page Setup", setup);
    QPageSetupDialog dialog(printer.get(), parent_);
    dialog.setWindowTitle(QStringLiteral("Page Setup"));
    if (dialog.exec() != QDialog::Accepted) return false;
    setup = platform::pageSetupFrom(printer->pageLayout());
    if (printer->outputFormat() == QPrinter::NativeFormat)
        setup.printerName = printer->printerName().toStdString();
    return true;
}

} // namespace app
