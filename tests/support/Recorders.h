#pragma once
// Test doubles for the user-facing hooks: message boxes, beeps and the exception report
// are recorded instead of shown, for as long as the recorder lives.
#include <QString>
#include <mutex>
#include <string>
#include <vector>

#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"

class MessageRecorder {
public:
    // Answer: the modal result every box returns.
    explicit MessageRecorder(int Answer = mrOk);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<TShownMessage> Messages() const;
    std::vector<QString> Texts() const;
    int Beeps() const;
    std::vector<std::string> Exceptions() const;
    void SetAnswer(int Answer);

private:
    mutable std::mutex mutex_;
    std::vector<TShownMessage> messages_;
    std::vector<std::string> exceptions_;
    int beeps_ = 0;
    int answer_;
    TMessageHook previousMessage_;
    TBeepHook previousBeep_;
    Application::TExceptionHook previousException_;
};
