// Two weighing stations on one database served over GT.CM on loopback: two main windows,
// each with its scale on a pseudo-terminal, its own terminal code and its own control
// settings written by scripts/shared-database, keep their weights in ^PESAGEM of the one
// served database, read back on the database machine.
#include <gtest/gtest.h>

#include <QLineEdit>

#include <filesystem>
#include <memory>
#include <string>

#include "app/FrmTrevask.h"
#include "app/MainWindowSupport.h"
#include "serial/CPort.h"
#include "support/EventLoop.h"
#include "support/MDirect.h"
#include "support/PtyPair.h"
#include "support/SharedDatabase.h"
#include "vism/VisM.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class SharedDatabaseScale : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        served_ = std::make_unique<shareddb::TServedDatabase>(dir.Path("server"));
        database_ = std::make_unique<mdirect::MDatabase>(served_->GlobalDirectory().string());
        m_ = std::make_unique<mdirect::MSession>(*database_);
    }

    void TearDown() override
    {
        second.reset();
        MainWindowFixture::TearDown();
    }

    // A weighing station with its scale on Pty and the terminal code Terminal: its control
    // settings (in a folder named after the terminal) are made by the script's workstation
    // side, and "mirtal.ini" names the pseudo-terminal and the terminal when the window is
    // created.
    std::unique_ptr<TFormTrevask> Station(const std::string& Terminal, const TPtyPair& Pty)
    {
        const fs::path data = dir.Path(Terminal);
        served_->AddWorkstation(data);
        TMServerSettings settings = TMServerSettings::FromEnvironment();
        settings.DataDir = data / "m";
        settings.SettingsFile = data / "vism.conf";
        settings.ObjectDir = dir.Path("m-objects");
        settings.RoutineDirs = {};
        TFormTrevaskParts parts;
        parts.CreateVisM = [settings](TComponent* Owner) {
            auto* control = new TVisM(Owner);
            control->SetServerSettings(settings);
            return control;
        };
        parts.RunConfiguration = [this](TMenuInfo*) { return configuration(); };
        WriteIni(With(CompleteIni(), {{"Balanca", "Porta", Pty.SlavePath()}, {"Terminal", "Terminal", Terminal}}));
        auto station = std::make_unique<TFormTrevask>(parts);
        EXPECT_TRUE(station->ComPort1->Connected());
        return station;
    }

    // Plays the scale of Station and waits until the window has stored the record's weight.
    bool Weigh(TFormTrevask& Station, const TPtyPair& Pty, const std::string& Weight, const std::string& Stored)
    {
        Pty.Write(Record('2', Weight) + "\r");
        return ProcessEventsUntil([&] { return Station.EdPesoGravado->text().toStdString() == Stored; }, 10s);
    }

    // A line of M on the database machine; what it wrote.
    std::string M(const std::string& Code) { return m_->Execute(Code); }

    TPtyPair firstScale;
    TPtyPair secondScale;
    std::unique_ptr<TFormTrevask> second;

private:
    std::unique_ptr<shareddb::TServedDatabase> served_;
    std::unique_ptr<mdirect::MDatabase> database_;
    std::unique_ptr<mdirect::MSession> m_;
};

} // namespace

TEST_F(SharedDatabaseScale, TwoStationsKeepTheirWeightsInTheServedDatabase)
{
    form = Station("T01", firstScale);
    second = Station("T02", secondScale);
    ASSERT_TRUE(messages.Texts().empty()) << messages.Texts().at(0).toStdString();

    ASSERT_TRUE(Weigh(*form, firstScale, "12,50", "12500"));
    ASSERT_TRUE(Weigh(*second, secondScale, "13,75", "13750"));
    EXPECT_EQ(M("W ^PESAGEM(1,\"T01\"),\"/\",^PESAGEM(1,\"T02\")"), "12500/13750");
    ASSERT_TRUE(Weigh(*form, firstScale, "1,05", "1050"));
    EXPECT_EQ(M("W ^PESAGEM(1,\"T01\"),\"/\",^PESAGEM(1,\"T02\")"), "1050/13750");

    // The stations reached the database over GT.CM, not as a file of their own machine.
    form->VisM1->SetCode("S P1=$V(\"GVFILE\",\"DEFAULT\")");
    form->VisM1->SetExecFlag(1);
    EXPECT_EQ(form->VisM1->P1().AsString().rfind(std::string(shareddb::ServerHost) + ":", 0), 0u)
        << form->VisM1->P1().AsString();
    EXPECT_TRUE(messages.Texts().empty());
}
