// The company holder, the process-wide company record and the library list.
#include <QLineEdit>
#include <QWidget>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "mbind/MGlobal.h"
#include "mbind/MenuInfo.h"
#include "mbind/UDllMan.h"
#include "support/FakeVisM.h"
#include "support/Recorders.h"
#include "toolkit/Collections.h"

namespace {

// Every test starts and ends with the record a freshly started program has.
class MenuInfoTest : public ::testing::Test {
protected:
    void SetUp() override { RestartProcessState(); }
    void TearDown() override { RestartProcessState(); }

    static void RestartProcessState()
    {
        UDllMan::Finalizar();
        UDllMan::Inicializar();
    }
};

// A bound grid as the holder sees it: it records what it was asked to do.
class RecordingGrid : public TComponent, public TCompanyGrid {
public:
    explicit RecordingGrid(std::vector<std::string>* Calls, std::string Name)
        : TComponent(nullptr), calls_(Calls), name_(std::move(Name))
    {
    }
    void AplicarEmpresa() override { calls_->push_back(name_ + ".AplicarEmpresa"); }
    void Reload() override
    {
        calls_->push_back(name_ + ".Reload");
        if (FailReload)
            throw std::runtime_error("reload failed");
    }
    bool FailReload = false;

private:
    std::vector<std::string>* calls_;
    std::string name_;
};

// A host window that records the window messages it is sent and what the record held then.
class NoticeWindow : public QWidget {
public:
    struct Received {
        unsigned Msg;
        uintptr_t WParam;
        intptr_t LParam;
        int CodEmpThen;
    };
    std::vector<Received> Messages;

protected:
    bool event(QEvent* Event) override
    {
        if (Event->type() == TWindowMessageEvent::EventType()) {
            const TMessage& message = static_cast<TWindowMessageEvent*>(Event)->Message;
            Messages.push_back({message.Msg, message.WParam, message.LParam, InfoMenu->CodEmp});
            return true;
        }
        return QWidget::event(Event);
    }
};

// --- Company code ------------------------------------------------------------------

TEST_F(MenuInfoTest, NewHolder_AnswersDefaultCompany_UntilOneIsSetAnywhere)
{
    TMenuInfo holder(nullptr);
    EXPECT_EQ(holder.GetCodEmp(), 1);
    EXPECT_EQ(holder.DefCODEMP(), 1);
    EXPECT_EQ(holder.DefCODIMP(), 300);
    EXPECT_EQ(InfoMenu->CodEmp, 0);
}

TEST_F(MenuInfoTest, HolderCreatedAfterAChange_StartsFromTheProcessRecord)
{
    TMenuInfo first(nullptr);
    first.SetCodEmp(5);
    EXPECT_EQ(InfoMenu->CodEmp, 5);

    TMenuInfo later(nullptr);
    EXPECT_EQ(later.GetCodEmp(), 5);
}

TEST_F(MenuInfoTest, HolderCreatedBeforeAChangeElsewhere_KeepsItsOwnCode)
{
    TMenuInfo first(nullptr);
    TMenuInfo second(nullptr);
    second.SetCodEmp(8);
    EXPECT_EQ(first.GetCodEmp(), 1);
}

TEST_F(MenuInfoTest, SetCodEmpZero_AnswersTheDefaultAgainAndPublishesZero)
{
    TMenuInfo holder(nullptr);
    holder.SetCodEmp(7);
    holder.SetCodEmp(0);
    EXPECT_EQ(holder.GetCodEmp(), 1);
    EXPECT_EQ(InfoMenu->CodEmp, 0);

    holder.SetDefCODEMP(3);
    EXPECT_EQ(holder.GetCodEmp(), 3);
}

TEST_F(MenuInfoTest, OnMudaCodEmp_FiresWithTheHolderAfterPublishing_EvenForTheSameCode)
{
    TMenuInfo holder(nullptr);
    std::vector<int> published;
    holder.OnMudaCodEmp = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &holder);
        published.push_back(InfoMenu->CodEmp);
    };
    holder.SetCodEmp(4);
    holder.SetCodEmp(4);
    EXPECT_EQ(published, (std::vector<int>{4, 4}));
}

TEST_F(MenuInfoTest, WithoutTheProcessRecord_HolderStartsAtZeroAndOnlyStores)
{
    UDllMan::Finalizar();
    TMenuInfo holder(nullptr);
    EXPECT_EQ(holder.GetCodEmp(), 0);
    EXPECT_EQ(holder.DefCODIMP(), 0);
    holder.SetCodEmp(6);
    EXPECT_EQ(holder.GetCodEmp(), 6);
}

// --- Change message to the host window ---------------------------------------------

TEST_F(MenuInfoTest, JanelaAviso_ReceivesTheChangeMessageBeforeSetCodEmpGoesOn)
{
    NoticeWindow window;
    InfoMenu->JanelaAviso = &window;
    TMenuInfo holder(nullptr);
    size_t messagesAtEvent = 0;
    holder.OnMudaCodEmp = [&](TObject*) { messagesAtEvent = window.Messages.size(); };

    holder.SetCodEmp(12);

    ASSERT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(window.Messages[0].Msg, 0x81F3u);
    EXPECT_EQ(window.Messages[0].WParam, 0u);
    EXPECT_EQ(window.Messages[0].LParam, 0);
    EXPECT_EQ(window.Messages[0].CodEmpThen, 12);
    EXPECT_EQ(messagesAtEvent, 1u);
}

TEST_F(MenuInfoTest, JanelaAviso_DestroyedWindowIsForgotten)
{
    TMenuInfo holder(nullptr);
    {
        NoticeWindow window;
        InfoMenu->JanelaAviso = &window;
    }
    EXPECT_EQ(InfoMenu->JanelaAviso, nullptr);
    holder.SetCodEmp(2);
    EXPECT_EQ(InfoMenu->CodEmp, 2);
}

TEST_F(MenuInfoTest, WithNothingAttached_SetCodEmpOnlyStoresAndPublishes)
{
    QWidget window;
    auto* focused = new QLineEdit(&window);
    window.show();
    focused->setFocus();
    NoticeWindow notice;
    InfoMenu->JanelaAviso = &notice;
    TMenuInfo holder(nullptr);

    holder.SetCodEmp(3);

    EXPECT_EQ(holder.GetCodEmp(), 3);
    EXPECT_EQ(InfoMenu->CodEmp, 3);
    EXPECT_EQ(notice.Messages.size(), 1u);
    EXPECT_EQ(window.focusWidget(), focused);
}

// --- Registration and notification -------------------------------------------------

TEST_F(MenuInfoTest, Remover_DeletesOnlyTheFirstEntryOfTheComponent)
{
    TMenuInfo holder(nullptr);
    TComponent a(nullptr);
    TComponent b(nullptr);
    holder.Registrar(&a);
    holder.Registrar(&b);
    holder.Registrar(&a);
    holder.Remover(&a);
    EXPECT_EQ(holder.Lista(), (std::vector<TComponent*>{&b, &a}));
    holder.Remover(&a);
    holder.Remover(&a); // no longer listed: nothing happens
    EXPECT_EQ(holder.Lista(), (std::vector<TComponent*>{&b}));
}

TEST_F(MenuInfoTest, CompanyChange_ReFixesAndReloadsRegisteredGridsInOrder_AndPassesOverOthers)
{
    std::vector<std::string> calls;
    RecordingGrid g1(&calls, "g1");
    RecordingGrid g2(&calls, "g2");
    TComponent other(nullptr);
    TMenuInfo holder(nullptr);
    holder.Registrar(&g1);
    holder.Registrar(&other);
    holder.Registrar(&g2);
    holder.Registrar(&g1);

    holder.SetCodEmp(3);

    EXPECT_EQ(calls, (std::vector<std::string>{"g1.AplicarEmpresa", "g1.Reload", "g2.AplicarEmpresa", "g2.Reload",
                                               "g1.AplicarEmpresa", "g1.Reload"}));
}

TEST_F(MenuInfoTest, FailedReload_PropagatesAndStopsTheWalk_WithTheNewCodeAlreadyStored)
{
    std::vector<std::string> calls;
    RecordingGrid g1(&calls, "g1");
    RecordingGrid g2(&calls, "g2");
    g1.FailReload = true;
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    other->setFocus();
    TMenuInfo holder(nullptr);
    holder.SetCampoFoco(field);
    holder.Registrar(&g1);
    holder.Registrar(&g2);

    EXPECT_THROW(holder.SetCodEmp(9), std::runtime_error);

    EXPECT_EQ(calls, (std::vector<std::string>{"g1.AplicarEmpresa", "g1.Reload"}));
    EXPECT_EQ(holder.GetCodEmp(), 9);
    EXPECT_EQ(InfoMenu->CodEmp, 9);
    EXPECT_EQ(window.focusWidget(), other);
}

TEST_F(MenuInfoTest, CampoFoco_ReceivesTheFocusAfterTheChange_WhenItCanTakeIt)
{
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    other->setFocus();
    TMenuInfo holder(nullptr);
    holder.SetCampoFoco(field);

    holder.SetCodEmp(2);
    EXPECT_EQ(window.focusWidget(), field);

    other->setFocus();
    field->setEnabled(false);
    holder.SetCodEmp(2);
    EXPECT_EQ(window.focusWidget(), other);
}

TEST_F(MenuInfoTest, CampoFoco_DestroyedControlIsForgotten)
{
    TMenuInfo holder(nullptr);
    {
        QLineEdit field;
        holder.SetCampoFoco(&field);
    }
    EXPECT_EQ(holder.CampoFoco(), nullptr);
    holder.SetCodEmp(2);
}

// --- Bound globals -----------------------------------------------------------------

// A server answer: the result value and the record in P1.
FakeAnswer Answering(const char* Result, const char* Record)
{
    FakeAnswer answer;
    answer.result = TVariant(Result);
    answer.registers = {{1, TVariant(Record)}};
    return answer;
}

// A bound global on Name whose first Levels key levels exist; Events collects
// "<name>.<event>" for the record operations a company change runs.
std::unique_ptr<TMGlobal> MakeGlobal(const std::string& Name, int Levels, FakeVisM* VisM, std::vector<std::string>* Events)
{
    auto global = std::make_unique<TMGlobal>(nullptr);
    global->SetGlobal(Name);
    global->SetVisM(VisM);
    for (int i = 0; i < Levels; ++i)
        global->GlobalChaves()->Add();
    global->OnAppend = [Events, Name](TObject*, bool&) { Events->push_back(Name + ".OnAppend"); };
    global->OnAfterAppend = [Events, Name](TObject*) { Events->push_back(Name + ".OnAfterAppend"); };
    global->OnBeforeCancel = [Events, Name](TObject*, bool&) { Events->push_back(Name + ".OnBeforeCancel"); };
    return global;
}

TEST_F(MenuInfoTest, CompanyChange_ReFixesAndAppendsEachRegisteredGlobal_OncePerRegistration)
{
    FakeVisM vism;
    std::vector<std::string> events;
    TMenuInfo holder(nullptr);
    // ^A names the holder in two of its three levels, so it is registered twice.
    auto a = MakeGlobal("^A", 3, &vism, &events);
    a->GlobalChaves()->Items(0)->SetMenu_Info(&holder);
    a->GlobalChaves()->Items(1)->SetInicio("0001");
    a->GlobalChaves()->Items(2)->SetMenu_Info(&holder);
    auto b = MakeGlobal("^B", 1, &vism, &events);
    b->GlobalChaves()->Items(0)->SetMenu_Info(&holder);
    ASSERT_EQ(holder.Lista(), (std::vector<TComponent*>{a.get(), a.get(), b.get()}));
    a->SetChave(1, "77");

    holder.SetCodEmp(7);

    EXPECT_EQ(events, (std::vector<std::string>{"^A.OnAppend", "^A.OnBeforeCancel", "^A.OnAfterAppend", "^A.OnAppend",
                                                "^A.OnBeforeCancel", "^A.OnAfterAppend", "^B.OnAppend",
                                                "^B.OnBeforeCancel", "^B.OnAfterAppend"}));
    EXPECT_EQ(a->GetChaves(), "7|0001|7");
    EXPECT_EQ(a->GlobalChaves()->Items(0)->Inicio(), "7");
    EXPECT_EQ(a->GlobalChaves()->Items(2)->Final(), "7");
    EXPECT_EQ(b->GetChaves(), "7");
    // Appending a browsing global is the client's own business: nothing reaches the server.
    EXPECT_TRUE(vism.Runs().empty());

    events.clear();
    holder.SetCodEmp(7);
    EXPECT_EQ(events.size(), 9u) << "the same company again appends again";
}

TEST_F(MenuInfoTest, CompanyChange_OnAGlobalBeingEdited_ReleasesTheOldNodeBeforeReFixing)
{
    FakeVisM vism;
    std::vector<std::string> events;
    TMenuInfo holder(nullptr);
    auto a = MakeGlobal("^A", 2, &vism, &events);
    a->GlobalChaves()->Items(0)->SetMenu_Info(&holder);
    a->AplicarEmpresa();
    a->SetChave(1, "9");
    vism.Expect(R"($$EDIT^%CSWWGLOB("^A","1|9"))", Answering("0", "old^record"));
    a->Edit();
    ASSERT_EQ(a->Estado(), esEdicao);
    vism.ClearLog();
    events.clear();

    vism.Expect(R"($$CANCEL^%CSWWGLOB("^A","1|9"))");
    vism.Expect(R"($$REFRESH^%CSWWGLOB("^A","1|9"))", Answering("0", "old^record"));
    holder.SetCodEmp(2);

    EXPECT_EQ(vism.Runs(), (std::vector<std::string>{R"($$CANCEL^%CSWWGLOB("^A","1|9"))",
                                                     R"($$REFRESH^%CSWWGLOB("^A","1|9"))"}));
    EXPECT_EQ(events, (std::vector<std::string>{"^A.OnBeforeCancel", "^A.OnAppend", "^A.OnBeforeCancel",
                                                "^A.OnAfterAppend"}));
    EXPECT_EQ(a->Estado(), esNavegacao);
    EXPECT_EQ(a->GetChaves(), "2|");
    EXPECT_EQ(a->Dados(), "");
}

TEST_F(MenuInfoTest, CompanyChange_EditRefusedToBeCancelled_KeepsThatGlobalOnItsCompany)
{
    FakeVisM vism;
    std::vector<std::string> events;
    TMenuInfo holder(nullptr);
    auto a = MakeGlobal("^A", 1, &vism, &events);
    a->GlobalChaves()->Items(0)->SetMenu_Info(&holder);
    a->AplicarEmpresa();
    a->OnBeforeCancel = [](TObject*, bool& Confirm) { Confirm = false; };
    auto b = MakeGlobal("^B", 1, &vism, &events);
    b->GlobalChaves()->Items(0)->SetMenu_Info(&holder);
    vism.Expect(R"($$EDIT^%CSWWGLOB("^A","1"))", Answering("0", "edited"));
    a->Edit();
    vism.ClearLog();

    holder.SetCodEmp(2);

    EXPECT_TRUE(vism.Runs().empty());
    EXPECT_EQ(a->Estado(), esEdicao);
    EXPECT_EQ(a->GetChaves(), "1");
    EXPECT_EQ(a->Dados(), "edited");
    EXPECT_EQ(b->GetChaves(), "2");
}

TEST_F(MenuInfoTest, GlobalLevelWithAHolder_TakesTheHoldersCompanyWhenApplied)
{
    TMenuInfo holder(nullptr);
    holder.SetCodEmp(12);
    TMGlobal global(nullptr);
    global.GlobalChaves()->Add()->SetMenu_Info(&holder);
    global.AplicarEmpresa();
    EXPECT_EQ(global.GetChaves(), "12");
}

// --- Destruction in either order ---------------------------------------------------

TEST_F(MenuInfoTest, RegisteredComponentDestroyedFirst_LeavesTheHolderList)
{
    std::vector<std::string> calls;
    TMenuInfo holder(nullptr);
    auto survivor = std::make_unique<RecordingGrid>(&calls, "survivor");
    {
        RecordingGrid gone(&calls, "gone");
        holder.Registrar(&gone);
        holder.Registrar(survivor.get());
        holder.Registrar(&gone);
    }
    EXPECT_EQ(holder.Lista(), (std::vector<TComponent*>{survivor.get()}));
    holder.SetCodEmp(4);
    EXPECT_EQ(calls, (std::vector<std::string>{"survivor.AplicarEmpresa", "survivor.Reload"}));
}

TEST_F(MenuInfoTest, GlobalDestroyedFirst_LeavesTheHolderList)
{
    TMenuInfo holder(nullptr);
    FakeVisM vism;
    std::vector<std::string> events;
    {
        auto global = MakeGlobal("^A", 2, &vism, &events);
        global->GlobalChaves()->Items(0)->SetMenu_Info(&holder);
        global->GlobalChaves()->Items(1)->SetMenu_Info(&holder);
    }
    EXPECT_TRUE(holder.Lista().empty());
    holder.SetCodEmp(3);
    EXPECT_TRUE(events.empty());
}

TEST_F(MenuInfoTest, HolderDestroyedFirst_ItsGlobalsAndGridsForgetIt)
{
    FakeVisM vism;
    std::vector<std::string> events;
    std::vector<std::string> calls;
    auto global = MakeGlobal("^A", 2, &vism, &events);
    RecordingGrid grid(&calls, "grid");
    {
        TMenuInfo holder(nullptr);
        global->GlobalChaves()->Items(0)->SetMenu_Info(&holder);
        global->GlobalChaves()->Items(1)->SetMenu_Info(&holder);
        holder.Registrar(&grid);
    }
    EXPECT_EQ(global->GlobalChaves()->Items(0)->Menu_Info(), nullptr);
    EXPECT_EQ(global->GlobalChaves()->Items(1)->Menu_Info(), nullptr);

    // A new holder registers afresh and the old one is never called again.
    TMenuInfo other(nullptr);
    global->GlobalChaves()->Items(0)->SetMenu_Info(&other);
    global->AplicarEmpresa();
    EXPECT_EQ(global->GetChave(0), "1");
    EXPECT_EQ(other.Lista(), (std::vector<TComponent*>{global.get()}));
}

TEST_F(MenuInfoTest, HolderOwnedWithItsGlobalByOneForm_GoesInEitherCreationOrder)
{
    for (const bool holderFirst : {true, false}) {
        TComponent form(nullptr);
        TMenuInfo* holder = nullptr;
        TMGlobal* global = nullptr;
        if (holderFirst) {
            holder = new TMenuInfo(&form);
            global = new TMGlobal(&form);
        } else {
            global = new TMGlobal(&form);
            holder = new TMenuInfo(&form);
        }
        global->GlobalChaves()->Add()->SetMenu_Info(holder);
        global->GlobalChaves()->Add()->SetMenu_Info(holder);
        // The form frees what it owns, the last created first; nothing may dangle.
    }
}

TEST_F(MenuInfoTest, MovingALevelToAnotherHolder_MovesTheRegistration)
{
    TMenuInfo first(nullptr);
    TMenuInfo second(nullptr);
    TMGlobal global(nullptr);
    TMGlobalChave* level = global.GlobalChaves()->Add();
    level->SetMenu_Info(&first);
    level->SetMenu_Info(&first);
    EXPECT_EQ(first.Lista().size(), 1u);
    level->SetMenu_Info(&second);
    EXPECT_TRUE(first.Lista().empty());
    EXPECT_EQ(second.Lista(), (std::vector<TComponent*>{&global}));
}

TEST_F(MenuInfoTest, VisM_DestroyedControlIsForgotten)
{
    TMenuInfo holder(nullptr);
    {
        TVisM visM(nullptr);
        holder.SetVisM(&visM);
        EXPECT_EQ(holder.VisM(), &visM);
    }
    EXPECT_EQ(holder.VisM(), nullptr);
}

// --- Library list ------------------------------------------------------------------

// A library of the C library's package that nothing else in the process loads.
constexpr const char* kSpareLibrary = "libBrokenLocale.so.1";

bool IsLoaded(const char* Name)
{
    void* handle = dlopen(Name, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

TEST_F(MenuInfoTest, DescarregarDll_UnloadsTheLibraryAndDropsTheEntry)
{
    MessageRecorder recorder;
    ASSERT_FALSE(IsLoaded(kSpareLibrary));
    void* handle = dlopen(kSpareLibrary, RTLD_NOW);
    ASSERT_NE(handle, nullptr) << dlerror();
    ListaDlls->Add("BrokenLocale", handle);

    DescarregarDll(0);

    EXPECT_EQ(ListaDlls->Count(), 0);
    EXPECT_FALSE(IsLoaded(kSpareLibrary));
    EXPECT_TRUE(recorder.Messages().empty());
}

TEST_F(MenuInfoTest, DescarregarDll_OutsideTheList_ShowsTheMessageAndKeepsEntries)
{
    MessageRecorder recorder;
    ListaDlls->Add("nothing", nullptr);

    DescarregarDll(1);

    ASSERT_EQ(recorder.Messages().size(), 1u);
    EXPECT_EQ(recorder.Messages()[0].kind, TShownMessage::Kind::Plain);
    EXPECT_EQ(recorder.Messages()[0].Text, QStringLiteral("Erro ao Descarregar a DLL"));
    EXPECT_EQ(recorder.Messages()[0].Buttons, unsigned{mbOK});
    EXPECT_EQ(ListaDlls->Count(), 1);
}

TEST_F(MenuInfoTest, LibraryList_IndexOutsideTheListIsAListError)
{
    ListaDlls->Add("nothing", nullptr);
    EXPECT_THROW(ListaDlls->Entry(1), EListError);
    EXPECT_THROW(ListaDlls->Delete(-1), EListError);
    EXPECT_EQ(ListaDlls->Entry(0).Name, "nothing");
}

TEST_F(MenuInfoTest, ProgramEnd_UnloadsEveryLibraryLastFirst_AndFreesTheRecords)
{
    MessageRecorder recorder;
    void* handle = dlopen(kSpareLibrary, RTLD_NOW);
    ASSERT_NE(handle, nullptr) << dlerror();
    ListaDlls->Add("nothing", nullptr);
    ListaDlls->Add("BrokenLocale", handle);

    UDllMan::Finalizar();

    EXPECT_FALSE(IsLoaded(kSpareLibrary));
    EXPECT_EQ(ListaDlls, nullptr);
    EXPECT_EQ(InfoMenu, nullptr);
    EXPECT_TRUE(recorder.Messages().empty());
}

TEST_F(MenuInfoTest, ProgramEnd_WithNoLibraries_ShowsNothing)
{
    MessageRecorder recorder;
    UDllMan::Finalizar();
    EXPECT_TRUE(recorder.Messages().empty());
}

} // namespace
