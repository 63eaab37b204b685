#pragma once
// A bound control on piece 3 of "^CLI" (key 7) whose check rule is answered by a fake
// server control, on a shown screen, with a key of another global that names the control:
// what the exit tests of the bound combo, radio group and memo start from.
#include <string>

#include "mbind/BoundEditScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"

template <class Control>
struct CheckedPieceScreen {
    FakeVisM vism;
    TMGlobal global{nullptr};
    BoundEditScreen<Control> screen;
    CountingGlobal other;
    TMGlobalChave* foreign = AddLevel(other, "");
    int exits = 0;

    explicit CheckedPieceScreen(const char* Refusal)
    {
        global.SetVisM(&vism);
        global.SetGlobal("^CLI");
        AddLevel(global, "7");
        TGloChek* rule = global.PieceCheck()->Add();
        rule->SetPiece(3);
        rule->SetMCode("CLI");
        rule->SetMensagens({Refusal});
    }

    // Binds the control (its items already set up) and shows Record; the refresh's server
    // calls and key pushes are forgotten.
    void Show(const char* Record)
    {
        Control* control = screen.edit;
        control->SetPiece(3);
        control->SetMGlobal(&global);
        control->OnExit = [this](TObject*) { ++exits; };
        foreign->SetControl(control);
        vism.Expect(R"($$REFRESH^%CSWWGLOB("^CLI","7"))",
                    {.result = TVariant("0"), .registers = {{1, TVariant(Record)}}});
        global.Refresh();
        vism.ClearLog();
        other.refreshes = 0;
    }
};
