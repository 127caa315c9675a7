// Open, then Save, of one stylesheet as the program's commands do them, without a window: the
// attacks on saves in tests/model/save_attacks.sh play other users around it.
//   pindle_open_save [--open-only | --save-only] FILE [LINE]
// Reads FILE, adds LINE to its free text, writes it back. Prints "warning: PATH" for each copy of old
// content that Open and then Save report, "opened: N lines" and "saved" or "error: MESSAGE"; the exit
// status is 0 when all went well, 1 after an error. --save-only saves a new document of LINE alone,
// as Save As does; --open-only stops after the Open.
#include <cstdio>
#include <string>

#include "model/Stylesheet.h"
#include "platform/TextFile.h"

namespace {

void ReportCopies(const std::string& fileName)
{
    for (const std::string& copy : pindle::OldCopiesOf(fileName))
        std::printf("warning: %s\n", copy.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool open = mode != "--save-only", save = mode != "--open-only";
    const int first = mode == "--save-only" || mode == "--open-only" ? 2 : 1;
    if (argc <= first) {
        std::fprintf(stderr, "usage: pindle_open_save [--open-only | --save-only] FILE [LINE]\n");
        return 2;
    }
    const std::string fileName = argv[first];
    try {
        pindle::TStylesheet sheet;
        if (open) {
            sheet = pindle::ReadStylesheet(fileName);
            std::printf("opened: %zu lines\n", sheet.PaneLines.size());
            ReportCopies(fileName);
        }
        if (!save)
            return 0;
        if (argc > first + 1)
            sheet.PaneLines.emplace_back(argv[first + 1]);
        pindle::WriteStylesheet(fileName, sheet.Rows, sheet.PaneLines, sheet.Format);
        std::printf("saved\n");
        ReportCopies(fileName);
    } catch (const pindle::EInOutError& e) {
        std::printf("error: %s\n", e.what());
        return 1;
    }
    return 0;
}
