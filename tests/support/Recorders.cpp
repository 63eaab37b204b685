#include "support/Recorders.h"

#include "toolkit/SysUtils.h"

MessageRecorder::MessageRecorder(int Answer) : answer_(Answer)
{
    previousMessage_ = SetMessageHook([this](const TShownMessage& Shown) {
        std::lock_guard lock(mutex_);
        messages_.push_back(Shown);
        return answer_;
    });
    previousBeep_ = SetBeepHook([this] {
        std::lock_guard lock(mutex_);
        ++beeps_;
    });
    previousException_ = Application::SetExceptionHook([this](TObject*, const std::exception& E) {
        std::lock_guard lock(mutex_);
        exceptions_.push_back(ExceptionMessage(E));
    });
}

MessageRecorder::~MessageRecorder()
{
    SetMessageHook(previousMessage_);
    SetBeepHook(previousBeep_);
    Application::SetExceptionHook(previousException_);
}

std::vector<TShownMessage> MessageRecorder::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<QString> MessageRecorder::Texts() const
{
    std::lock_guard lock(mutex_);
    std::vector<QString> texts;
    for (const auto& shown : messages_)
        texts.push_back(shown.Text);
    return texts;
}

int MessageRecorder::Beeps() const
{
    std::lock_guard lock(mutex_);
    return beeps_;
}

std::vector<std::string> MessageRecorder::Exceptions() const
{
    std::lock_guard lock(mutex_);
    return exceptions_;
}

void MessageRecorder::SetAnswer(int Answer)
{
    std::lock_guard lock(mutex_);
    answer_ = Answer;
}
