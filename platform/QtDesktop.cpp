// The real desktop: Qt's message boxes, clipboard, file dialogs and URL handling.
#include "platform/Desktop.h"

#include "platform/QtText.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace pindle {
namespace {

class TQtDesktop final : public IDesktop {
public:
    void MessageBeep(TBeep) override { QApplication::beep(); }

    int MessageBox(QWidget* parent, TMsgDlgType type, const std::string& caption,
                   const std::string& text) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(ToQString(caption));
        // Plain text: the HTML Code message shows a link element, which must not be taken as markup.
        // A CR LF line break is one line break on this platform.
        box.setTextFormat(Qt::PlainText);
        box.setText(ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        switch (type) {
        case TMsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
        case TMsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
        case TMsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
        case TMsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
        }
        if (type != TMsgDlgType::mtConfirmation) {
            QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            box.setEscapeButton(ok);
            box.exec();
            return mrOk;
        }
        // Yes stands left of No. Desktops that put "no" before "yes" reverse the Yes and No roles;
        // these two roles keep this order in every button layout Qt knows.
        QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::DestructiveRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? mrYes : mrNo;
    }

    void SetClipboardText(const std::string& text) override
    {
        QApplication::clipboard()->setText(ToQString(text));
    }

    std::string ClipboardText() override { return FromQString(QApplication::clipboard()->text()); }

    void ShellOpen(QWidget*, const std::string& address) override
    {
        QDesktopServices::openUrl(QUrl::fromUserInput(ToQString(address)));
    }

    std::optional<std::string> ExecuteFileDialog(QWidget* parent, TFileDialogSettings& settings) override
    {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(settings.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // The Open dialog does not insist that the named file exists: the reader reports a missing one.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.Save);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setNameFilters({QStringLiteral("Cascading Style Sheets (*.css)"), QStringLiteral("All files (*)")});
        dialog.selectNameFilter(QStringLiteral("Cascading Style Sheets (*.css)"));
        dialog.setDefaultSuffix(QStringLiteral("css"));
        if (!settings.FileName.empty())
            dialog.selectFile(QString::fromLocal8Bit(settings.FileName.c_str()));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        settings.FileName = dialog.selectedFiles().constFirst().toLocal8Bit().toStdString();
        return settings.FileName;
    }
};

IDesktop* replacement = nullptr;

}  // namespace

IDesktop& Desktop()
{
    static TQtDesktop real;
    return replacement != nullptr ? *replacement : real;
}

IDesktop* SetDesktop(IDesktop* desktop)
{
    IDesktop* previous = replacement;
    replacement = desktop;
    return previous;
}

}  // namespace pindle
