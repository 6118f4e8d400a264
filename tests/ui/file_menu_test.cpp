// The File menu's output items in the window: Copy Graph to Clipboard puts
// the graph's picture on the desktop's clipboard, and Print Graph without an
// installed printer offers a PDF file in the print dialog.

#include "app/qt_print_service.h"
#include "platform/clipboard.h"
#include "views/raster_surface.h"
#include "window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QPrinterInfo>
#include <QTimer>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class FileMenuTest : public uitest::WindowTest {
protected:
    void SetUp() override { start(); }
    void trigger(const char* item) { WindowTest::trigger(bench->window.get(), item); }
};

TEST_F(FileMenuTest, CopyGraphPutsTheGraphsPictureOnTheClipboard) {
    platform::QtClipboard clipboard;
    bench->main->fileOutput().setClipboard(&clipboard);
    QGuiApplication::clipboard()->clear();
    trigger("mnuCopygraph");
    const auto& box = dynamic_cast<views::RasterSurface&>(bench->main->graph().GraphBox());
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_FALSE(copied.isNull());
    EXPECT_EQ(copied.size(), box.image().size());
}

TEST_F(FileMenuTest, PrintGraphWithoutAPrinterOffersAPdfFile) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed: the dialog would offer it, not a file";
    app::QtPrintService service(bench->window.get());
    bench->main->printing().setService(&service);
    bench->panel().settings.graphTitle = "Amplifier 7";
    // The operator accepts the print dialog as it opens.
    QString title;
    QTimer::singleShot(0, [&title] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            dialog->accept();
        }
    });
    trigger("mnuPrintgraph");
    EXPECT_EQ(title, "Print Graph");
    const fs::path pdf = app::QtPrintService::pdfFileFor("Print Graph");
    EXPECT_EQ(pdf.parent_path(), dir);
    ASSERT_TRUE(fs::exists(pdf));
    std::ifstream in(pdf, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
}

} // namespace
