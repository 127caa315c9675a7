// What assistive technology (a screen reader through AT-SPI) sees of the source editor: one editable,
// multi-line text, the lines joined with "\n" as the user reads them, with its caret and selection,
// and the insert, remove, caret and selection events as they change.
#pragma once

#include <QAccessibleWidget>

namespace pindle {

class TCustomSynEdit;

// The accessible editor. Offsets count UTF-16 units of the text; the core's positions count bytes.
class TSynEditAccessible final : public QAccessibleWidget,
                                 public QAccessibleTextInterface,
                                 public QAccessibleEditableTextInterface {
public:
    explicit TSynEditAccessible(TCustomSynEdit* edit);

    [[nodiscard]] QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Text.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    [[nodiscard]] int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    [[nodiscard]] int cursorPosition() const override;
    void setCursorPosition(int position) override;
    [[nodiscard]] QString text(int startOffset, int endOffset) const override;
    [[nodiscard]] int characterCount() const override;
    [[nodiscard]] QRect characterRect(int offset) const override;
    [[nodiscard]] int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    [[nodiscard]] QString attributes(int offset, int* startOffset, int* endOffset) const override;
    using QAccessibleWidget::text;

    // Editing, through the core's own editing so that each change is one undo step.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    [[nodiscard]] TCustomSynEdit* Edit() const;
};

// Makes every TCustomSynEdit answer as TSynEditAccessible; installing again does nothing.
void InstallSynEditAccessible();

// The editor's text, caret or selection may have changed: once the event loop runs, assistive
// technology that is listening is told what changed since it was last told. Cheap when no one listens.
void SynEditAccessibleChanged(TCustomSynEdit* edit);

}  // namespace pindle
