#pragma once
// The exit of the bound date, month and value edits: a global whose check rule on piece 1
// is answered by a fake server control, an edit bound to it on a shown screen, and what
// leaving the edit must show when a value is refused or accepted.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mbind/BoundEditScreen.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

// A case of leaving an edit named by what it sets: the edit's kind, "Nulo" where the empty
// value is allowed, what is typed and the limits ("AnoMes_4digitos_032021_Min202103").
inline std::string ExitCaseName(const std::string& Kind, bool Nulo, const std::string& Typed, const std::string& Min,
                                const std::string& Max)
{
    return Kind + (Nulo ? "_Nulo_" : "_") + NamePart(Typed) + (Min.empty() ? "" : "_Min" + NamePart(Min)) +
           (Max.empty() ? "" : "_Max" + NamePart(Max));
}

// What leaving the edit must do: refuse with Message, or write Written.
inline void PrintExitOutcome(const char* Message, const char* Written, std::ostream* Out)
{
    *Out << (*Message != '\0' ? "refused" : "writes " + Printable(Written));
}

struct CheckedGlobal {
    FakeVisM vism;
    TMGlobalBase global{nullptr};

    explicit CheckedGlobal(const char* Refusal)
    {
        global.SetVisM(&vism);
        TGloChek* rule = global.PieceCheck()->Add();
        rule->SetPiece(1);
        rule->SetMCode("VAL");
        rule->SetMensagens({Refusal});
    }
};

// The edit on piece 2 of the record "a^old", counting its OnExit.
template <class Control>
struct CheckedExitScreen : BoundEditScreen<Control> {
    CheckedGlobal server;
    std::vector<std::string> events;

    explicit CheckedExitScreen(const char* Refusal) : server(Refusal)
    {
        this->edit->SetMGlobal(&server.global);
        this->edit->SetPiece(2);
        server.global.SetData("a^old");
        this->edit->OnExit = [this](TObject*) { events.push_back("OnExit"); };
    }

    void Type(const char* Text)
    {
        this->edit->SelectAll();
        QTest::keyClicks(this->edit, Text);
    }
    std::string Written() const { return server.global.GetPiece(2); }
};

// After leaving: with a Message, it alone is shown as an error and the edit keeps the focus
// without OnExit; without one, nothing is shown and the focus moves on after OnExit.
template <class Screen>
void ExpectRefusedOrLeft(const MessageRecorder& Recorder, const Screen& Left, const char* Message)
{
    if (*Message != '\0') {
        ASSERT_EQ(Recorder.Messages().size(), 1u);
        EXPECT_EQ(Recorder.Messages()[0].Text, QString::fromUtf8(Message));
        EXPECT_EQ(Recorder.Messages()[0].Type, TMsgDlgType::mtError);
        EXPECT_EQ(Recorder.Messages()[0].Buttons, unsigned{mbOK});
        EXPECT_EQ(QApplication::focusWidget(), Left.edit);
        EXPECT_TRUE(Left.events.empty());
    } else {
        EXPECT_TRUE(Recorder.Messages().empty());
        EXPECT_EQ(QApplication::focusWidget(), Left.next);
        EXPECT_EQ(Left.events, (std::vector<std::string>{"OnExit"}));
    }
}

// Typing a value past a limit and leaving fires the limit's handler (OnMinimo or OnMaximo,
// named by Fired) instead of the message, keeps the focus and writes nothing.
template <class Screen>
void ExpectLimitHandlerFired(const MessageRecorder& Recorder, Screen& Left, const char* Typed, const char* Fired)
{
    std::vector<std::string> fired;
    Left.edit->OnMinimo = [&](TObject* Sender) {
        EXPECT_EQ(Sender, Left.edit);
        fired.push_back("OnMinimo");
    };
    Left.edit->OnMaximo = [&](TObject*) { fired.push_back("OnMaximo"); };
    Left.Type(Typed);
    Left.Leave();
    EXPECT_EQ(fired, (std::vector<std::string>{Fired}));
    EXPECT_TRUE(Recorder.Messages().empty());
    EXPECT_EQ(QApplication::focusWidget(), Left.edit);
    EXPECT_EQ(Left.Written(), "old");
}
