// Screenshots of the main window and the configuration window, in a weighing's state, for
// the documentation. Runs only when TREVASK_SCREENSHOT_DIR names the folder for the PNG
// files (scripts/screenshots sets it); otherwise it is skipped.
#include <gtest/gtest.h>

#include <QPixmap>
#include <QTest>

#include "app/FrmMorvidConfig.h"
#include "app/FrmTrevask.h"
#include "app/MainWindowSupport.h"
#include "mbind/UDllMan.h"
#include "serial/CPort.h"
#include "support/EventLoop.h"
#include "support/FakeCommApi.h"
#include "support/FormatSettingsGuard.h"
#include "support/Recorders.h"

using namespace std::chrono_literals;

namespace {

bool Save(QWidget& Window, const QString& Path)
{
    Window.show();
    if (!QTest::qWaitForWindowExposed(&Window))
        return false;
    ProcessEventsFor(100ms);
    return Window.grab().save(Path);
}

} // namespace

TEST(Screenshots, MainAndConfigurationWindows)
{
    const QString folder = qEnvironmentVariable("TREVASK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "TREVASK_SCREENSHOT_DIR is not set";
    TempWorkingDir dir;
    MessageRecorder messages;
    FormatSettingsGuard format{',', "dd/mm/yyyy", '/'};
    UDllMan::Finalizar();
    UDllMan::Inicializar();
    WriteIni(With(CompleteIni(), {{"Balanca", "ChEstabiliz", "2"}, {"Terminal", "Terminal", "BAL01"}}));

    FakeCommApi comm;
    TFormTrevaskParts parts;
    parts.CommApi = &comm;
    parts.CreateVisM = [](TComponent* Owner) { return new ScaleServerFake(Owner); };
    TFormTrevask form(parts);
    ASSERT_TRUE(messages.Texts().empty());
    comm.QueueInput("2  12,50kg");
    form.ComPort1RxChar(form.ComPort1, 10);
    ASSERT_TRUE(Save(form, folder + "/main-window.png"));

    const auto listingTerminals = [](TComponent* Owner) {
        auto* server = new ScaleServerFake(Owner);
        server->Expect("$$TERMCRU^CCTTGA955", {.result = 0, .registers = {{1, "BAL01"}, {2, "Expedicao"}}});
        server->Answer({.result = 0, .registers = {{1, "BAL02"}, {2, "Recebimento"}}});
        server->Answer({.result = 1});
        return server;
    };
    TFormMorvidConfig configuration(nullptr, form.MenuInfo1, listingTerminals);
    ASSERT_TRUE(Save(configuration, folder + "/config-window.png"));
    EXPECT_TRUE(messages.Texts().empty());
}
