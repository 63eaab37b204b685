#include "mbind/UDllMan.h"

#include <QCoreApplication>
#include <dlfcn.h>

#include "toolkit/Collections.h"
#include "toolkit/Dialogs.h"
#include "toolkit/SysUtils.h"

TInfoMenu* InfoMenu = nullptr;
TListaDlls* ListaDlls = nullptr;

TWindowMessageEvent::TWindowMessageEvent(unsigned AMsg, uintptr_t AWParam, intptr_t ALParam)
    : QEvent(EventType()), Message{AMsg, AWParam, ALParam, 0}
{
}

QEvent::Type TWindowMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

intptr_t SendWindowMessage(QWidget* Window, unsigned Msg, uintptr_t WParam, intptr_t LParam)
{
    TWindowMessageEvent event(Msg, WParam, LParam);
    QCoreApplication::sendEvent(Window, &event);
    return event.Message.Result;
}

void TListaDlls::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
}

const TDllEntry& TListaDlls::Entry(int Index) const
{
    CheckIndex(Index);
    return entries_[static_cast<size_t>(Index)];
}

void TListaDlls::Add(const std::string& Name, void* Handle)
{
    entries_.push_back({Name, Handle});
}

void TListaDlls::Delete(int Index)
{
    CheckIndex(Index);
    entries_.erase(entries_.begin() + Index);
}

void DescarregarDll(int Index)
{
    try {
        if (ListaDlls == nullptr)
            throw Exception("No library list");
        // The unload's own result is of no use here: the entry goes either way. A null
        // handle names nothing loaded, and the loader would crash on it.
        if (void* handle = ListaDlls->Entry(Index).Handle; handle != nullptr)
            dlclose(handle);
        ListaDlls->Delete(Index);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Erro ao Descarregar a DLL"));
    }
}

namespace UDllMan {

void Inicializar()
{
    if (ListaDlls == nullptr)
        ListaDlls = new TListaDlls;
    if (InfoMenu == nullptr)
        InfoMenu = new TInfoMenu;
}

void Finalizar()
{
    if (ListaDlls != nullptr)
        for (int i = ListaDlls->Count() - 1; i >= 0; --i)
            DescarregarDll(i);
    delete ListaDlls;
    ListaDlls = nullptr;
    delete InfoMenu;
    InfoMenu = nullptr;
}

} // namespace UDllMan

namespace {

// The unit's start and end, tied to the program's load and exit.
struct TUnitLifetime {
    TUnitLifetime() { UDllMan::Inicializar(); }
    ~TUnitLifetime() { UDllMan::Finalizar(); }
} unitLifetime;

} // namespace
