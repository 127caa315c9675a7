// A scripted desktop for widget tests: records what the program asked and answers from queues.
#pragma once

#include "platform/qt/Desktop.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace pindle::test {

struct TShownMessage {
    TMsgDlgType Type;
    std::string Caption;
    std::string Text;
};

class TFakeDesktop final : public IDesktop {
public:
    TFakeDesktop() : previous_(SetDesktop(this)) {}
    ~TFakeDesktop() override { SetDesktop(previous_); }
    TFakeDesktop(const TFakeDesktop&) = delete;
    TFakeDesktop& operator=(const TFakeDesktop&) = delete;

    void MessageBeep(TBeep kind) override { Beeps.push_back(kind); }

    int MessageBox(QWidget*, TMsgDlgType type, const std::string& caption, const std::string& text) override
    {
        Messages.push_back({type, caption, text});
        if (type != TMsgDlgType::mtConfirmation)
            return mrOk;
        if (Answers.empty())
            return mrNo;
        const int answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    void SetClipboardText(const std::string& text) override { Clipboard = text; }
    std::string ClipboardText() override { return Clipboard; }
    bool HasPrimarySelection() override { return true; }
    void SetPrimaryText(const std::string& text) override { Primary = text; }
    std::string PrimaryText() override { return Primary; }
    void ShellOpen(QWidget*, const std::string& address) override { Opened.push_back(address); }

    std::optional<std::string> ExecuteFileDialog(QWidget*, TFileDialogSettings& settings) override
    {
        DialogsShown.push_back(settings);
        if (FileChoices.empty())
            return std::nullopt;
        std::optional<std::string> choice = FileChoices.front();
        FileChoices.pop_front();
        if (choice)
            settings.FileName = *choice;
        return choice;
    }

    std::vector<TBeep> Beeps;
    std::vector<TShownMessage> Messages;
    std::deque<int> Answers;                              // answers to confirmations, mrNo when empty
    std::string Clipboard;
    std::string Primary;                                  // the primary selection
    std::vector<std::string> Opened;
    std::deque<std::optional<std::string>> FileChoices;   // nullopt = the user cancels
    std::vector<TFileDialogSettings> DialogsShown;

private:
    IDesktop* previous_;
};

}  // namespace pindle::test
