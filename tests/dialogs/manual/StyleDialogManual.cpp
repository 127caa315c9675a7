// Shows the style dialog loaded with a sample rule, to look at by hand or take screenshots.
// Arguments: [page index 0-2] [popup|dark] - "popup" opens the foreground colour list, "dark" shows
// the dialog in a dark palette.
#include "colour/widget/FnpComboColor.h"
#include "dialogs/Style.h"
#include "dialogs/StyleTransfer.h"

#include <QApplication>
#include <QListWidget>
#include <QPalette>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[2], "dark") == 0) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QPalette dark(QColor(53, 53, 53));
        dark.setColor(QPalette::Base, QColor(35, 35, 35));
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::ButtonText, Qt::white);
        dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
        QApplication::setPalette(dark);
    }
    pindle::TStyleDlg dialog;
    pindle::TStyleRow row;
    row.Caption = "h1.title";
    row.SubItems = {"Arial, Times New Roman ,serif", "12pt", "bold", "italic", "underline", "14pt",
                    "", "", "#ff0000", "#80ffff", "Main headings"};
    const int page = argc > 1 ? std::atoi(argv[1]) : 0;
    const bool popup = argc > 2 && std::strcmp(argv[2], "popup") == 0;
    QTimer::singleShot(300, &dialog, [&] {
        dialog.PageControl1->setCurrentIndex(page);
        dialog.lbSystemFonts->setCurrentRow(1);
        dialog.lbFontFamily->setCurrentRow(1);
        if (popup)
            dialog.fccForeground->showPopup();
    });
    const bool ok = pindle::EditStyle(dialog, row);
    std::printf("%s %s", ok ? "Ok" : "Cancel", row.Caption.c_str());
    for (const auto& text : row.SubItems)
        std::printf(" |%s", text.c_str());
    std::printf("\n");
    return 0;
}
