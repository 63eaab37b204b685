#pragma once
// Shared by the main window's tests: the fixture they start from, the configuration file
// written key by key, and a scripted server control that answers the connection check and
// keeps ^PESAGEM in memory.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/FrmTrevask.h"
#include "mbind/UDllMan.h"
#include "support/FakeVisM.h"
#include "support/FormatSettingsGuard.h"
#include "support/Recorders.h"
#include "support/TempWorkingDir.h"
#include "toolkit/Dialogs.h"

// A temporary working directory for "mirtal.ini", message boxes recorded, "," before the
// decimals, the company record created anew, and the configuration window answered by
// `configuration` (cancelled unless a test says otherwise). TearDown frees the window,
// `form`, while what a derived fixture holds (its comm layer, its pseudo-terminal) is alive.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.IsValid());
        UDllMan::Finalizar();
        UDllMan::Inicializar();
    }
    void TearDown() override
    {
        form.reset();
        // The posted end of the loop must not reach a later test's loop.
        QCoreApplication::removePostedEvents(qApp);
        QCoreApplication::processEvents();
    }

    TempWorkingDir dir;
    MessageRecorder messages;
    FormatSettingsGuard format{',', "dd/mm/yyyy", '/'};
    std::function<int()> configuration = [] { return static_cast<int>(mrCancel); };
    std::unique_ptr<TFormTrevask> form;
};

// One key of "mirtal.ini": a value, or nullopt to leave the key out.
struct IniKey {
    std::string Section;
    std::string Key;
    std::optional<std::string> Value;
};

// A configuration every required setting is present in: ten-byte records, the weight in
// the seven bytes from the second, "," before the decimals, two shown and three stored.
inline std::vector<IniKey> CompleteIni()
{
    return {
        {"Balanca", "Porta", "COM3"},          {"Balanca", "BaudRate", "9600"},
        {"Balanca", "ByteSize", "8"},          {"Balanca", "StopBits", "1"},
        {"Balanca", "NrRegistro", "10"},       {"Balanca", "SepDecimal", ","},
        {"Balanca", "PosPesoBruto", "2"},      {"Balanca", "NrCrPesBruto", "7"},
        {"Balanca", "QtdeDecBalanca", "2"},    {"Balanca", "QtdeDecGrava", "3"},
        {"Balanca", "ChEstabiliz", ""},        {"Balanca", "TpChEstabiliz", "ASCII"},
        {"Terminal", "Terminal", "T01"},       {"Namespace", "Namespace", "SISTEMAS"},
        {"Empresa", "Empresa", "1"},           {"BatIBC", "BatIBC", ""},
    };
}

// Base with Changes applied (a changed key keeps its place; a new one is appended).
inline std::vector<IniKey> With(std::vector<IniKey> Base, const std::vector<IniKey>& Changes)
{
    for (const IniKey& change : Changes) {
        bool found = false;
        for (IniKey& key : Base)
            if (key.Section == change.Section && key.Key == change.Key) {
                key.Value = change.Value;
                found = true;
            }
        if (!found)
            Base.push_back(change);
    }
    return Base;
}

// A ten-byte record of CompleteIni's scale: the stability byte, the seven-byte weight
// field, "kg".
inline std::string Record(char First, const std::string& Weight)
{
    std::string field = std::string(7 - Weight.size(), ' ') + Weight;
    return std::string(1, First) + field + "kg";
}

// Writes "mirtal.ini" in the working directory, sections in order of first appearance.
inline void WriteIni(const std::vector<IniKey>& Keys)
{
    std::vector<std::string> sections;
    for (const IniKey& key : Keys)
        if (std::find(sections.begin(), sections.end(), key.Section) == sections.end())
            sections.push_back(key.Section);
    std::string text;
    for (const std::string& section : sections) {
        text += "[" + section + "]\r\n";
        for (const IniKey& key : Keys)
            if (key.Section == section && key.Value)
                text += key.Key + "=" + *key.Value + "\r\n";
    }
    WriteFileBytes("mirtal.ini", text);
}

// Answers the connection check while Alive, and applies the weighing node's kill and set
// to Pesagem (company and terminal as the registers hold them); a failed run changes
// nothing.
class ScaleServerFake : public FakeVisM {
public:
    using FakeVisM::FakeVisM;

    bool Alive = true;
    std::map<std::pair<std::string, std::string>, std::string> Pesagem;

protected:
    void Execute() override
    {
        FakeVisM::Execute();
        if (RunFailed())
            return;
        const std::pair<std::string, std::string> node{P0().AsString(), P1().AsString()};
        if (Code() == "S P1 = $h" && Alive && P1().AsString().empty())
            StoreRegister(1, "67000,3600");
        else if (Code() == "K ^PESAGEM(P0,P1)")
            Pesagem.erase(node);
        else if (Code() == "set ^PESAGEM(P0,P1)=P2 ")
            Pesagem[node] = P2().AsString();
    }
};
