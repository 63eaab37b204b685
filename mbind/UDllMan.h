#pragma once
// Process-wide state of the binding library: the current company record `InfoMenu`, which
// every company holder publishes to and starts from, and the list of loaded libraries
// `ListaDlls`, unloaded at program end.
//
// Lifetime: a static initialiser in UDllMan.cpp runs `Inicializar` when the program is
// loaded, before main and so before any window, and `Finalizar` after main returns.
// Finalisation shows a message only when an unload fails, which cannot happen for the
// valid entries it walks, so it never needs the (by then destroyed) application object.
// Tests call the two functions to start a fresh process state.
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/WindowSync.h"

// The company change message: number 0x81F3 with both parameters 0.
constexpr unsigned WM_MUDAEMPRESA = 0x81F3;

// A window message delivered to a widget through its event() while the sender waits,
// the stand-in for SendMessage to a window handle. The handler may set Message.Result.
class TWindowMessageEvent : public QEvent {
public:
    TWindowMessageEvent(unsigned Msg, uintptr_t WParam, intptr_t LParam);
    // The QEvent type every window message travels as.
    static QEvent::Type EventType();

    TMessage Message;
};

// Sends the message to the widget and returns its Result once the widget's handler has run.
intptr_t SendWindowMessage(QWidget* Window, unsigned Msg, uintptr_t WParam, intptr_t LParam);

class TInfoMenu : public TPersistent {
public:
    // The last company code published by any holder; 0 while none has been.
    int CodEmp = 0;
    // Told of every company change when set; not owned, and cleared when the window goes.
    QPointer<QWidget> JanelaAviso;
};

// One loaded library: its name and the module handle the loader gave for it.
struct TDllEntry {
    std::string Name;
    void* Handle;
};

// The loaded libraries, in the order they were added.
class TListaDlls {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    const TDllEntry& Entry(int Index) const;
    void Add(const std::string& Name, void* Handle);
    // Removes entry Index. Entry and Delete raise EListError for an index outside the list.
    void Delete(int Index);

private:
    void CheckIndex(int Index) const;

    std::vector<TDllEntry> entries_;
};

// The process's company record and library list; null outside Inicializar..Finalizar.
extern TInfoMenu* InfoMenu;
extern TListaDlls* ListaDlls;

// Unloads the library of entry Index and drops the entry; any failure is shown as
// "Erro ao Descarregar a DLL" and the entry stays.
void DescarregarDll(int Index);

namespace UDllMan {
// Program start: an empty library list and a company record with no company.
void Inicializar();
// Program end: every library unloaded from the last to the first, then both freed.
void Finalizar();
} // namespace UDllMan
