#pragma once
// The configuration window: the only editor of ".\mirtal.ini" (working directory). The
// main window creates it, shows it modally and frees it on each use; the window talks
// back only through the file and its modal result (mrOk after a save, mrCancel from
// "&Sair" or the close box).
//
// Creating it lists the terminals of the main window's company from the server (one run
// of $$TERMCRU^CCTTGA955 per terminal, on the window's own control), then fills every
// field from the file with this window's defaults. "&Ok" checks the fields in a fixed
// order, stopping at the first failure with its message, and writes every key.
//
// Keys: Enter in a field of "&Balança" moves to the next control in the tab order (so
// from the last one to "&Ok"), Enter in the terminal list to "&Ok"; Escape in either
// moves to the previous control. Enter and Escape never close the window by themselves.
#include <QDialog>
#include <functional>
#include <string>

#include "toolkit/Classes.h"

class QFrame;
class QGroupBox;
class QPushButton;
class TCustomComboBox;
class TCustomEdit;
class TCustomMaskEdit;
class TMComboBox;
class TMenuInfo;
class TVisM;

// Makes the window's server control, owned by Owner.
using TVisMFactory = std::function<TVisM*(TComponent* Owner)>;

class TFormMorvidConfig : public QDialog, public TComponent {
public:
    // MenuInfo: the main window's company holder; the terminal list is of its company.
    // CreateVisM: the real server control when empty. Runs FormCreate; an exception that
    // leaves it goes to the application's exception report and the window stays usable.
    TFormMorvidConfig(TComponent* AOwner, TMenuInfo* MenuInfo, TVisMFactory CreateVisM = {});
    ~TFormMorvidConfig() override;

    // Handlers, as bound to the window and its components.
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void ConfTerminal();
    void BitBtn1Click(TObject* Sender);
    void CBPortaBalancaKeyDown(TObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void CBTerminalKeyDown(TObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void VisM1Error(TObject* Sender);

    // What the close box does: ends the modal loop with mrCancel.
    void reject() override;

    // Components. The server control is owned by the window as a component, the rest as
    // its Qt children.
    TVisM* VisM1 = nullptr;
    QFrame* Panel1 = nullptr;
    QGroupBox* gbEmpresa = nullptr;
    QGroupBox* gbTerminal = nullptr;
    QGroupBox* gbBalanca = nullptr;
    QGroupBox* gbNamespace = nullptr;
    QGroupBox* gbBat = nullptr;

    TCustomEdit* EdEmpresa = nullptr;
    TMComboBox* CBTerminal = nullptr;
    TCustomComboBox* CBPortaBalanca = nullptr;
    TCustomComboBox* CBByteSize = nullptr;
    TCustomComboBox* CBBaudRate = nullptr;
    TCustomComboBox* CBStopBits = nullptr;
    TCustomMaskEdit* MNrRegistro = nullptr;
    TCustomMaskEdit* MSepDecimal = nullptr;
    TCustomMaskEdit* MPosBruto = nullptr;
    TCustomMaskEdit* MNrBruto = nullptr;
    TCustomMaskEdit* EdQtdeDecBal = nullptr;
    TCustomMaskEdit* EdQtdeDecGra = nullptr;
    TCustomMaskEdit* MEEstabiliz = nullptr;
    TCustomComboBox* cbTipoCaracterEstab = nullptr;
    TCustomEdit* EdNamespace = nullptr;
    TCustomEdit* EdBat = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

protected:
    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void CreateComponents(const TVisMFactory& CreateVisM);
    void LayOut();
    void SetTabOrder();
    void CentreOnScreen();

    TMenuInfo* menuInfo_;
};
