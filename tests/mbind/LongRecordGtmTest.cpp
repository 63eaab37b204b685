// Records far longer than a line of M code: a bound global checks a value against a long
// record, hands it to the user routine and posts it, on the real server control and GT.M.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mbind/GtmServer.h"
#include "mbind/MGlobal.h"
#include "support/MDirect.h"
#include "support/Recorders.h"
#include "support/TempWorkingDir.h"
#include "vism/VisM.h"

namespace {

namespace fs = std::filesystem;

// The user routine keeps what it was given; the record alone may be a whole M string.
constexpr const char* LogRoutine =
    "ZZLONG ; user routine of the long record tests\n"
    " Q\n"
    "LOG(op,keys,rec) S ^LOG(op)=rec,^LOG(op,\"keys\")=keys Q\n";

// Accepts piece 2 only when the rule sees the whole record as the test stored it in
// ^WHOLE, and the typed value 20.
constexpr const char* WholeRecordRule = "$S(R'=^WHOLE:1,V'=20:2,1:0)";

const std::vector<std::string> kRuleLines = {"Registro truncado", "Quantidade errada"};

// Size bytes of pieces joined by "^": a first piece of every byte but the separator,
// quotes among them, then "20" and "zz".
std::string LongRecord(size_t Size)
{
    std::string first;
    for (size_t i = 0; first.size() < Size - 6; ++i) {
        const char c = static_cast<char>(i % 255 + 1);
        if (c != '^')
            first += c;
    }
    return first + "^20^zz";
}

// On the namespace's own database, which the server makes and sizes for the longest values.
class LongRecordGtm : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override
    {
        if (mdirect::GtmDist().empty())
            GTEST_SKIP() << "GT.M is not installed";
        ASSERT_TRUE(dir_.isValid());
        const fs::path root = dir_.path().toStdString();
        fs::create_directories(root / "routines");
        WriteFileBytes((root / "routines" / "ZZLONG.m").string(), LogRoutine);
        TMServerSettings settings = SettingsUnder(root, root / "m-objects");
        settings.RoutineDirs = {root / "routines"};
        UseTestNamespace(vism_, settings, errors_);
        UseTestNamespace(reader_, settings, errors_);

        global_.SetVisM(&vism_);
        global_.SetGlobal("^CLI");
        global_.SetGlobalRotina("LOG^ZZLONG");
        global_.GlobalChaves()->Add();
        global_.GlobalChaves()->Add();
        TGloChek* rule = global_.PieceCheck()->Add();
        rule->SetPiece(2);
        rule->SetMCode("WHOLE");
        rule->SetMensagens(kRuleLines);
    }

    // Runs Code on the test's own control; the registers as it left them.
    void Read(const std::string& Code)
    {
        reader_.SetCode(Code);
        reader_.SetExecFlag(1);
    }

    QTemporaryDir dir_;
    MessageRecorder messages_;
    std::vector<std::string> errors_;
    TVisM vism_{nullptr};
    TVisM reader_{nullptr};
    TMGlobal global_{nullptr};
};

TEST_P(LongRecordGtm, PostChecksHandsToTheUserRoutineAndWritesTheWholeRecord)
{
    const std::string record = LongRecord(GetParam());
    ASSERT_EQ(record.size(), GetParam());
    reader_.SetP1(record);
    Read("S ^CSWWCHK(\"WHOLE\")=\"" + std::string(WholeRecordRule) + "\",^WHOLE=P1");
    ASSERT_TRUE(errors_.empty()) << errors_.front();

    global_.SetChaves("1|A");
    global_.Refresh();
    global_.SetData(record);
    ASSERT_EQ(global_.Estado(), esEdicao);

    EXPECT_EQ(global_.ChecarValor(tcPiece, 2, true, "20"), -1) << "the rule saw the whole record";
    EXPECT_EQ(global_.ChecarValor(tcPiece, 2, true, "21"), 1) << "the rule refuses by its own answer";
    EXPECT_EQ(messages_.Texts(), (std::vector<QString>{QStringLiteral("Quantidade errada")}));

    global_.Post();
    EXPECT_EQ(global_.Estado(), esNavegacao);
    reader_.SetP1(std::string());
    Read("S P1=^CLI(1,\"A\"),P2=^LOG(\"POST\"),P3=^LOG(\"POST\",\"keys\")");
    EXPECT_TRUE(reader_.P1().AsString() == record) << "the node holds " << reader_.P1().AsString().size() << " bytes";
    EXPECT_TRUE(reader_.P2().AsString() == record)
        << "the user routine got " << reader_.P2().AsString().size() << " bytes";
    EXPECT_EQ(reader_.P3().AsString(), "1|A");
    EXPECT_TRUE(errors_.empty()) << errors_.front();
}

INSTANTIATE_TEST_SUITE_P(Sizes, LongRecordGtm, ::testing::Values(size_t{8192}, size_t{65536}, size_t{1048576}),
                         [](const auto& Info) { return std::to_string(Info.param) + "Bytes"; });

} // namespace
