// Shows the style dialog loaded with a sample rule, to look at by hand or take screenshots.
// Arguments: [page index 0-2] [popup] - "popup" opens the foreground colour list.
#include "colour/FnpComboColor.h"
#include "dialogs/Style.h"
#include "dialogs/StyleTransfer.h"

#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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
