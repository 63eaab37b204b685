#pragma once
// Texts that a control refuses from what the user puts into it.
//
// A text control whose object also implements IRefusedInput refuses every edit of the
// user's (typing, pasting, dropping, the context menu, an input method) that would make
// its text hold one more occurrence of a refused text than it held before: the toolkit's
// beep sounds and nothing changes. Texts written by code are never refused here. The
// edits (TCustomEdit and its masked edit), the combo box's edit and the memo ask their own
// object, at each edit, for what it refuses.
#include <QValidator>
#include <string>
#include <vector>

class QLineEdit;

class IRefusedInput {
public:
    // The texts refused now; an empty one refuses nothing.
    virtual std::vector<std::string> RefusedInput() const = 0;

protected:
    ~IRefusedInput() = default;
};

// True when Value holds one of Texts (empty texts are never held).
bool HoldsAnyOf(const std::string& Value, const std::vector<std::string>& Texts);
// True when After holds more occurrences of one of Texts than Before; occurrences are
// counted from the left and do not overlap.
bool AddsAnyOf(const std::string& Before, const std::string& After, const std::vector<std::string>& Texts);

// The refusal for a line edit, as its validator: Owner is the object that may implement
// IRefusedInput (the edit itself, or the combo box that holds it).
class TRefusedInputValidator : public QValidator {
public:
    TRefusedInputValidator(QLineEdit* Edit, QObject* Owner);

    State validate(QString& Input, int& Pos) const override;

private:
    QLineEdit* edit_;
    QObject* owner_;
    // The text as it stood after the last change: what an edit is compared with.
    std::string accepted_;
};
