#include "toolkit/InputRefusal.h"

#include <QLineEdit>

#include "toolkit/Dialogs.h"
#include "toolkit/Win1252.h"

namespace {

size_t Occurrences(const std::string& Value, const std::string& Text)
{
    size_t count = 0;
    for (size_t found = Value.find(Text); found != std::string::npos; found = Value.find(Text, found + Text.size()))
        ++count;
    return count;
}

} // namespace

bool HoldsAnyOf(const std::string& Value, const std::vector<std::string>& Texts)
{
    for (const std::string& text : Texts)
        if (!text.empty() && Value.find(text) != std::string::npos)
            return true;
    return false;
}

bool AddsAnyOf(const std::string& Before, const std::string& After, const std::vector<std::string>& Texts)
{
    for (const std::string& text : Texts)
        if (!text.empty() && Occurrences(After, text) > Occurrences(Before, text))
            return true;
    return false;
}

TRefusedInputValidator::TRefusedInputValidator(QLineEdit* Edit, QObject* Owner)
    : QValidator(Edit), edit_(Edit), owner_(Owner), accepted_(FromScreen(Edit->text()))
{
    // The current text, not the signal's: a change handler may have changed it again.
    connect(Edit, &QLineEdit::textChanged, this, [this] { accepted_ = FromScreen(edit_->text()); });
}

QValidator::State TRefusedInputValidator::validate(QString& Input, int&) const
{
    // Qt clears the modified state before it validates a text written by code (setText),
    // and an edit of the user's always leaves the text modified.
    if (!edit_->isModified())
        return Acceptable;
    const auto* owner = dynamic_cast<const IRefusedInput*>(owner_);
    if (owner == nullptr || !AddsAnyOf(accepted_, FromScreen(Input), owner->RefusedInput()))
        return Acceptable;
    MessageBeep();
    return Invalid;
}
