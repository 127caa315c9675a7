// The editor widget's context menu: the usual edit commands, each enabled only when it can act and
// carried out as its key would carry it out.
#include "editor/widget/SynEdit.h"

#include "platform/qt/Application.h"
#include "platform/qt/Desktop.h"
#include "platform/qt/QtText.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace pindle {

void TCustomSynEdit::contextMenuEvent(QContextMenuEvent* event)
{
    const bool editable = !core_.ReadOnly();
    const bool selected = core_.SelAvail();
    const bool hasText = core_.LineCount() > 1 || !core_.LineText(1).empty();
    struct TItem {
        const char* Text;
        TSynEditorCommand Command;
        bool Enabled;
    };
    const TItem items[] = {
        {"&Undo\tCtrl+Z", ecUndo, editable && core_.CanUndo()},
        {"&Redo\tShift+Ctrl+Z", ecRedo, editable && core_.CanRedo()},
        {nullptr, ecNone, false},
        {"Cu&t\tCtrl+X", ecCut, editable && selected},
        {"&Copy\tCtrl+C", ecCopy, selected},
        {"&Paste\tCtrl+V", ecPaste, editable && !Desktop().ClipboardText().empty()},
        {"&Delete\tDel", ecDeleteChar, editable && selected},
        {nullptr, ecNone, false},
        {"Select &All\tCtrl+A", ecSelectAll, hasText},
    };
    QMenu menu(this);
    for (const TItem& item : items) {
        if (item.Text == nullptr) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(AsciiText(item.Text));
        action->setEnabled(item.Enabled);
        const TSynEditorCommand command = item.Command;
        // A paste may meet text the document cannot hold: refused with a message.
        connect(action, &QAction::triggered, this, [this, command] {
            Application().Run([&] { core_.ExecuteCommand(command); });
        });
    }
    menu.exec(event->globalPos());
    event->accept();
}

}  // namespace pindle
