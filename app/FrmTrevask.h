#pragma once
// The main window: the scale's serial line, the window's M server control and the weight
// display. Creating it applies "mirtal.ini" (visualiza): it checks the server, reads the
// settings into the port and the window, runs the configured batch file and opens the
// port. From then on every receive event of the port assembles the scale's records, and
// each complete stable record is shown and, while storing is armed, stored as the
// workstation's current weight in ^PESAGEM(company,terminal).
//
// Everything here runs on the user-interface thread: the port hands its events over and
// waits while the handler runs, so no state is locked.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "serial/ComTypes.h"
#include "toolkit/Classes.h"

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TComPort;
class TEdValor;
class TMGlobal;
class TMenuInfo;
class TVisM;
namespace WinComm {
class TCommApi;
}

// What a test may put in place of the window's real parts; the program uses the defaults.
struct TFormTrevaskParts {
    // Creates a server control owned by Owner: VisM1, and the configuration window's.
    // Default: the real server control.
    std::function<TVisM*(TComponent* Owner)> CreateVisM;
    // The comm layer ComPort1 drives. Default: the POSIX serial layer.
    WinComm::TCommApi* CommApi = nullptr;
    // Creates the configuration window for the company holder, shows it modally, frees
    // it and gives its modal result. Default: TFormMorvidConfig with its control made
    // by CreateVisM.
    std::function<int(TMenuInfo* MenuInfo)> RunConfiguration;
};

class TFormTrevask : public QWidget, public TComponent {
public:
    // Builds the window and its components, then runs FormCreate. The window counts as
    // being created until FormCreate has returned: a close meanwhile only hides it.
    explicit TFormTrevask(TFormTrevaskParts Parts = {});
    ~TFormTrevask() override;

    // Sets the control's NameSpace from the file; also used by the configuration window.
    static void ConfNamespace(TVisM* VisM);
    // Applies the configuration file to the window, the port and the server control.
    void visualiza();
    // The hexadecimal text of N (N >= 0) in upper-case digits, padded to an even length.
    static std::string DecToHex(int N);

    // Handlers, as bound to the components.
    void FormCreate(TObject* Sender);
    void mmiConfiguracaoClick(TObject* Sender);
    void mmiFecharClick(TObject* Sender);
    void VisM1Error(TObject* Sender);
    void ComPort1RxChar(TObject* Sender, int Count);
    void ComPort1Error(TObject* Sender, TComErrors Errors);
    void BitBtn1Click(TObject* Sender);
    void Action1Execute(TObject* Sender);

    // True once a termination of the application has been asked for (it is posted to
    // the event loop, which ends when it reaches it).
    bool TerminateRequested() const { return terminateRequested_; }
    // True while the window is being created.
    bool Creating() const { return creating_; }

    // Components, all owned by the window.
    TVisM* VisM1 = nullptr;
    TMenuInfo* MenuInfo1 = nullptr;
    TMGlobal* TGGCFG10 = nullptr;
    TComPort* ComPort1 = nullptr;
    QMenu* ppmMenu = nullptr;
    QAction* mmiConfiguracao = nullptr;
    QAction* mmiFechar = nullptr;
    QActionGroup* ActionList1 = nullptr;
    QAction* Action1 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    TEdValor* EdValor1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* lbEmpresa = nullptr;

    QLineEdit* EdChEstabiliz = nullptr;
    QLineEdit* EdTamReg = nullptr;
    QLineEdit* EdRegLido = nullptr;
    QLineEdit* EdPesoLido = nullptr;
    QLineEdit* EdPesoGravado = nullptr;
    QLineEdit* EdPorta = nullptr;
    QLineEdit* EdBitsDados = nullptr;
    QLineEdit* EdBitsSegundo = nullptr;
    QLineEdit* EdBitsParada = nullptr;
    QLineEdit* EdConexao = nullptr;
    QLineEdit* EdBatIBC = nullptr;
    QLabel* lbBalanca = nullptr;
    QLabel* lbTamReg = nullptr;
    QLabel* lbRegLido = nullptr;
    QLabel* lbPesoLido = nullptr;
    QLabel* LbPesoGravado = nullptr;
    QLabel* lbPorta = nullptr;
    QLabel* lbbitsdados = nullptr;
    QLabel* lbbitsSegundo = nullptr;
    QLabel* lbbitsparada = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* LblBat = nullptr;

    // Window state: the next complete stable record is to be stored; the previous
    // receive event ended without a weight.
    bool Gravar = false;
    bool SemPeso = false;

    // The settings visualiza reads (keys of the same names) and the receive state: the
    // record being assembled and its first character as compared with ChEstabiliz.
    std::string Terminal;
    std::string SepDecimal;
    std::string ChEstabiliz;
    std::string TpChEstabiliz;
    int32_t NrRegistro = 0;
    int32_t PosPesoBruto = 0;
    int32_t NrCrPesBruto = 0;
    std::string Registro;
    std::string CarInicial;

    // The raw read buffer of the hexadecimal mode: the size of the port's input queue.
    static constexpr int HexBufferSize = 1024;

protected:
    void closeEvent(QCloseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    enum class TLeitura { Ascii, Hexadecimal, Nenhuma };
    // What the rest of a receive event does after one complete record.
    enum class TSeguir { ProximoByte, FimDosBytes, FimDoEvento };

    void CreateComponents(const TFormTrevaskParts& Parts);
    void CreateDisplays();
    void LayOut();
    void CentreOnDesktop();

    // Steps of visualiza; false stops it.
    bool ChecarServidor();
    void AplicarEmpresa();
    bool LerDecimais();
    void AplicarPorta();
    void ExecutarBat();
    // Opens the configuration window when a required setting is missing: applied
    // again after Ok (nested), else the program ends.
    void ExigirConfiguracao();

    // Button mode: BitBtn1 is shown (its Visible property, whether the window is or not).
    bool ModoBotao() const;
    TLeitura Leitura() const;
    // Every byte waiting for this event, up to Count.
    std::string LerBytes(TLeitura Modo, int Count);
    TSeguir TratarRegistro(TLeitura Modo);
    bool Estavel() const;
    std::string CortarPeso() const;
    // False after a failed store (the user has been told and the port purged).
    bool GravarPeso(const std::string& Peso);
    // After a store, good or failed: the button takes the next one.
    void FimDaGravacao();
    // Drops the record and what waits on the line, and shows a zero weight.
    void DescartarRegistro();
    void VigiarPeso();

    // Closes the window, or only hides it while it is being created.
    void FecharJanela();
    // Posts the end of the event loop.
    void Terminar();

    std::function<int(TMenuInfo*)> runConfiguration_;
    bool creating_ = true;
    bool terminateRequested_ = false;
};

// The application's main window; set before its creation handler runs.
extern TFormTrevask* FormTrevask;
