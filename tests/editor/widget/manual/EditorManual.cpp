// A window with the source editor, for trying it by hand: editor_ui_manual [file.css]
#include "editor/widget/SynEdit.h"
#include "highlight/SynHighlighterCss.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    pindle::TSynCssSyn highlighter;
    QWidget window;
    window.setWindowTitle(QStringLiteral("Pindle editor"));
    auto* layout = new QVBoxLayout(&window);
    auto* editor = new pindle::TSynEdit(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(editor);
    layout->addWidget(edit);
    editor->SetHighlighter(&highlighter);
    if (argc > 1) {
        std::ifstream in(argv[1], std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            editor->Lines().Add(line);
        }
    }
    window.resize(900, 600);
    window.show();
    editor->setFocus();
    return app.exec();
}
