#include "app/FrmTrevask.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/ConfNamespace.h"
#include "app/FrmMorvidConfig.h"
#include "mbind/CurrencyText.h"
#include "mbind/EdValor.h"
#include "mbind/MGlobal.h"
#include "mbind/MText.h"
#include "mbind/MenuInfo.h"
#include "platform/IniFiles.h"
#include "platform/Process.h"
#include "serial/CPort.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Edit.h"
#include "toolkit/SysUtils.h"
#include "toolkit/Win1252.h"
#include "vism/VisM.h"

TFormTrevask* FormTrevask = nullptr;

namespace {

const char* const kArquivoIni = ".\\mirtal.ini";
const char* const kBalanca = "Balanca";

// The M commands of the weighing node: P0 the company, P1 the terminal, P2 the weight.
const char* const kMatarPeso = "K ^PESAGEM(P0,P1)";
const char* const kGravarPeso = "set ^PESAGEM(P0,P1)=P2 ";
const char* const kChecarServidor = "S P1 = $h";

// Line breaks inside the application's messages.
const QString kQuebra = QStringLiteral("\n\r");

QString Texto(const char* Utf8)
{
    return QString::fromUtf8(Utf8);
}

QString MensagemDecimais(const char* Chave)
{
    const QString aspas = QStringLiteral("\"");
    return Texto("Não foi configurado o parâmetro de Inicialização ") + aspas + Texto(Chave) + aspas + kQuebra +
           Texto("na seção ") + aspas + Texto("Balanca") + aspas +
           Texto(" que deve conter o número de decimais do ") + kQuebra + Texto("peso enviado pela balança") +
           kQuebra + Texto("Após configurar estes campos verifique se os pesos estão ") + kQuebra +
           Texto(" sendo enviados corretamente!");
}

// The weight text times 10000. The reader itself writes "," before the decimals, so the
// text is read with "," whatever the locale's separator: read with the locale's, every
// store failed on a machine whose locale writes "." (C, en_US).
int64_t PesoToCurr(const std::string& Text)
{
    int64_t valor = 0;
    if (!TryTextToCurrency(Text, ',', valor))
        throw EConvertError("'" + Text + "' is not a valid floating point value");
    return valor;
}

void MostrarTexto(QLineEdit* Edit, const std::string& Text)
{
    Edit->setText(ToScreen(Text));
}

// The line settings as "mirtal.ini" writes them.
const std::pair<const char*, TBaudRate> kTaxas[] = {
    {"110", br110},       {"300", br300},       {"600", br600},       {"1200", br1200},
    {"2400", br2400},     {"4800", br4800},     {"9600", br9600},     {"14400", br14400},
    {"19200", br19200},   {"38400", br38400},   {"56000", br56000},   {"57600", br57600},
    {"115200", br115200}, {"128000", br128000}, {"256000", br256000},
};
const std::pair<const char*, TDataBits> kBitsDados[] = {{"5", dbFive}, {"6", dbSix}, {"7", dbSeven}, {"8", dbEight}};
const std::pair<const char*, TStopBits> kBitsParada[] = {
    {"1", sbOneStopBit}, {"1,5", sbOne5StopBits}, {"2", sbTwoStopBits}};

// The setting Text names in Tabela; a text not in it names none.
template <class T, size_t N>
std::optional<T> DoTexto(const std::pair<const char*, T> (&Tabela)[N], const std::string& Text)
{
    for (const auto& [texto, valor] : Tabela)
        if (Text == texto)
            return valor;
    return std::nullopt;
}

} // namespace

TFormTrevask::TFormTrevask(TFormTrevaskParts Parts) : QWidget(nullptr), TComponent(nullptr)
{
    FormTrevask = this;
    SetName("FormTrevask");
    setObjectName(QStringLiteral("FormTrevask"));
    setWindowTitle(Texto("Trevask - Versão 2.0 r07"));
    runConfiguration_ = Parts.RunConfiguration;
    if (!runConfiguration_)
        runConfiguration_ = [CreateVisM = Parts.CreateVisM](TMenuInfo* MenuInfo) {
            TFormMorvidConfig configuracao(nullptr, MenuInfo, CreateVisM);
            return configuracao.exec();
        };
    CreateComponents(Parts);
    CreateDisplays();
    LayOut();
    CentreOnDesktop();

    RunGuarded(this, [this] { FormCreate(this); });
    creating_ = false;
}

TFormTrevask::~TFormTrevask()
{
    // The port goes first: stopping its event thread may still run a receive event, which
    // needs every other part of the window.
    delete ComPort1;
    DestroyComponents();
    if (FormTrevask == this)
        FormTrevask = nullptr;
}

void TFormTrevask::CreateComponents(const TFormTrevaskParts& Parts)
{
    VisM1 = Parts.CreateVisM ? Parts.CreateVisM(this) : new TVisM(this);
    VisM1->SetName("VisM1");
    VisM1->OnError = [this](TObject* Sender) { VisM1Error(Sender); };

    MenuInfo1 = new TMenuInfo(this);
    MenuInfo1->SetName("MenuInfo1");
    MenuInfo1->SetDefCODEMP(1);
    MenuInfo1->SetDefCODIMP(300);
    MenuInfo1->SetVisM(VisM1);

    // Placed on the window and never used by it.
    TGGCFG10 = new TMGlobal(this);
    TGGCFG10->SetName("TGGCFG10");
    TGGCFG10->SetGlobal("^TGGCFG");
    TGGCFG10->GlobalChaves()->Add();
    TMGlobalChave* segunda = TGGCFG10->GlobalChaves()->Add();
    segunda->SetInicio("10");
    segunda->SetFinal("10");
    segunda->SetFixo("10");
    TGGCFG10->GlobalChaves()->Add();
    TGGCFG10->SetSeparador("^");
    TGGCFG10->SetChecarObrigatorios(false);
    TGGCFG10->SetVisM(VisM1);

    ComPort1 = Parts.CommApi ? new TComPort(this, *Parts.CommApi) : new TComPort(this);
    ComPort1->SetName("ComPort1");
    ComPort1->SetPort("COM1");
    ComPort1->SetBaudRate(br2400);
    ComPort1->SetDataBits(dbEight);
    ComPort1->SetStopBits(sbOneStopBit);
    ComPort1->Parity()->SetBits(prNone);
    ComPort1->SetEvents(AllComEvents);
    TComFlowControl* fluxo = ComPort1->FlowControl();
    fluxo->SetOutCTSFlow(false);
    fluxo->SetOutDSRFlow(false);
    fluxo->SetControlDTR(dtrDisable);
    fluxo->SetControlRTS(rtsDisable);
    fluxo->SetXonXoffOut(false);
    fluxo->SetXonXoffIn(false);
    fluxo->SetXonChar(0);
    fluxo->SetXoffChar(0);
    ComPort1->OnRxChar = [this](TObject* Sender, int Count) { ComPort1RxChar(Sender, Count); };
    ComPort1->OnError = [this](TObject* Sender, TComErrors Errors) { ComPort1Error(Sender, Errors); };

    ppmMenu = new QMenu(this);
    ppmMenu->setObjectName(QStringLiteral("ppmMenu"));
    mmiConfiguracao = ppmMenu->addAction(Texto("&Configuração"));
    mmiConfiguracao->setObjectName(QStringLiteral("mmiConfiguracao"));
    mmiFechar = ppmMenu->addAction(Texto("&Fechar o Morvid"));
    mmiFechar->setObjectName(QStringLiteral("mmiFechar"));
    QObject::connect(mmiConfiguracao, &QAction::triggered, this,
                     [this] { RunGuarded(this, [this] { mmiConfiguracaoClick(this); }); });
    QObject::connect(mmiFechar, &QAction::triggered, this,
                     [this] { RunGuarded(this, [this] { mmiFecharClick(this); }); });

    ActionList1 = new QActionGroup(this);
    ActionList1->setObjectName(QStringLiteral("ActionList1"));
    ActionList1->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    Action1 = ActionList1->addAction(QStringLiteral("BuscarPeso"));
    Action1->setObjectName(QStringLiteral("Action1"));
    Action1->setShortcut(QKeySequence(Qt::Key_F10));
    Action1->setShortcutContext(Qt::WindowShortcut);
    addAction(Action1);
    QObject::connect(Action1, &QAction::triggered, this,
                     [this] { RunGuarded(this, [this] { Action1Execute(this); }); });
}

void TFormTrevask::CreateDisplays()
{
    GroupBox4 = new QGroupBox(Texto("Peso Líquido"), this);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    GroupBox4->setEnabled(false);
    // Disabled only to keep the focus away: its caption stays readable.
    QPalette legivel = GroupBox4->palette();
    legivel.setColor(QPalette::Disabled, QPalette::WindowText, legivel.color(QPalette::Active, QPalette::WindowText));
    GroupBox4->setPalette(legivel);
    QFont titulo = GroupBox4->font();
    titulo.setBold(true);
    GroupBox4->setFont(titulo);

    EdValor1 = new TEdValor(this, GroupBox4);
    EdValor1->SetName("EdValor1");
    EdValor1->setObjectName(QStringLiteral("EdValor1"));
    EdValor1->SetReadOnly(true);
    EdValor1->SetCtl3D(false);
    EdValor1->setFocusPolicy(Qt::NoFocus);
    // Right-to-left reading leaves a number as it is; the edit's alignment puts it at the right.
    EdValor1->SetDecimais(2);
    EdValor1->SetDecimaisM(3);
    EdValor1->SetEdita(false);
    EdValor1->SetLimpar(true);
    EdValor1->SetTipoCampo(tcCampo);
    EdValor1->SetObrigatorio(false);
    EdValor1->SetText("0,00");
    QFont grande = EdValor1->font();
    grande.setPointSize(36);
    grande.setBold(true);
    EdValor1->setFont(grande);
    EdValor1->setMinimumHeight(QFontMetrics(grande).height() + 12);
    QPalette navy = EdValor1->palette();
    for (QPalette::ColorGroup grupo : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        navy.setColor(grupo, QPalette::Text, QColor(0, 0, 128));
        navy.setColor(grupo, QPalette::Base, palette().color(QPalette::Active, QPalette::Window));
    }
    EdValor1->setPalette(navy);

    BitBtn1 = new QPushButton(Texto("Peso"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    // The glyph's second state is the disabled one, which the icon derives.
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    BitBtn1->setDefault(true);
    BitBtn1->setVisible(false);
    QObject::connect(BitBtn1, &QPushButton::clicked, this,
                     [this] { RunGuarded(this, [this] { BitBtn1Click(this); }); });

    auto display = [this](const char* Nome) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(Nome));
        edit->setReadOnly(true);
        edit->setEnabled(false);
        edit->setFocusPolicy(Qt::NoFocus);
        QPalette dica = edit->palette();
        dica.setColor(QPalette::Disabled, QPalette::Base, dica.color(QPalette::Active, QPalette::ToolTipBase));
        dica.setColor(QPalette::Disabled, QPalette::Text, dica.color(QPalette::Active, QPalette::ToolTipText));
        edit->setPalette(dica);
        return edit;
    };
    auto rotulo = [this](const char* Nome, const char* Texto_) {
        auto* label = new QLabel(Texto(Texto_), this);
        label->setObjectName(QString::fromLatin1(Nome));
        return label;
    };
    // Each display, then its caption.
    auto campo = [&](QLineEdit*& Edit, const char* NomeEdit, QLabel*& Label, const char* NomeLabel,
                     const char* Legenda) {
        Edit = display(NomeEdit);
        Label = rotulo(NomeLabel, Legenda);
    };
    campo(EdChEstabiliz, "EdChEstabiliz", lbBalanca, "lbBalanca", "Ch. Estabilizador");
    campo(EdTamReg, "EdTamReg", lbTamReg, "lbTamReg", "Tamanho do Registro");
    campo(EdRegLido, "EdRegLido", lbRegLido, "lbRegLido", "Registro Lido");
    campo(EdPesoLido, "EdPesoLido", lbPesoLido, "lbPesoLido", "Peso Lido");
    campo(EdPesoGravado, "EdPesoGravado", LbPesoGravado, "LbPesoGravado", "Peso Gravado");
    campo(EdPorta, "EdPorta", lbPorta, "lbPorta", "Porta");
    campo(EdBitsDados, "EdBitsDados", lbbitsdados, "lbbitsdados", "Bits de Dados:");
    campo(EdBitsSegundo, "EdBitsSegundo", lbbitsSegundo, "lbbitsSegundo", "Bits por Segundo");
    campo(EdBitsParada, "EdBitsParada", lbbitsparada, "lbbitsparada", "Bits de Parada:");
    campo(EdConexao, "EdConexao", Label2, "Label2", "Conexão");
    campo(EdBatIBC, "EdBatIBC", LblBat, "LblBat", "Bat de IBC");

    lbEmpresa = rotulo("lbEmpresa", "Empresa");
    QFont negrito = lbEmpresa->font();
    negrito.setBold(true);
    lbEmpresa->setFont(negrito);

    // Right clicks on the children, disabled ones included, open the window's menu.
    for (QWidget* filho : findChildren<QWidget*>())
        filho->setContextMenuPolicy(Qt::NoContextMenu);
}

void TFormTrevask::LayOut()
{
    auto* pesoLayout = new QHBoxLayout(GroupBox4);
    pesoLayout->addWidget(EdValor1);

    auto grupo = [this](std::initializer_list<std::pair<QLabel*, QLineEdit*>> Linhas) {
        auto* caixa = new QGroupBox(this);
        auto* formulario = new QFormLayout(caixa);
        formulario->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
        for (const auto& [label, edit] : Linhas) {
            label->setBuddy(edit);
            formulario->addRow(label, edit);
        }
        caixa->setContextMenuPolicy(Qt::NoContextMenu);
        return caixa;
    };
    QGroupBox* leitura = grupo({{lbRegLido, EdRegLido},
                                {lbTamReg, EdTamReg},
                                {lbPesoLido, EdPesoLido},
                                {LbPesoGravado, EdPesoGravado},
                                {lbBalanca, EdChEstabiliz}});
    QGroupBox* ligacao = grupo({{lbPorta, EdPorta},
                                {lbbitsSegundo, EdBitsSegundo},
                                {lbbitsdados, EdBitsDados},
                                {lbbitsparada, EdBitsParada},
                                {Label2, EdConexao},
                                {LblBat, EdBatIBC}});

    auto* topo = new QHBoxLayout;
    topo->addWidget(lbEmpresa);
    topo->addStretch();
    topo->addWidget(BitBtn1);

    auto* displays = new QHBoxLayout;
    displays->addWidget(leitura, 3);
    displays->addWidget(ligacao, 2);

    auto* janela = new QVBoxLayout(this);
    janela->addLayout(topo);
    janela->addWidget(GroupBox4);
    janela->addLayout(displays);
    resize(720, sizeHint().height());
}

void TFormTrevask::CentreOnDesktop()
{
    if (const QScreen* tela = QGuiApplication::primaryScreen()) {
        QRect area = frameGeometry();
        area.moveCenter(tela->availableGeometry().center());
        move(area.topLeft());
    }
}

void TFormTrevask::FormCreate(TObject*)
{
    ConfNamespace(VisM1);
    visualiza();
}

void TFormTrevask::ConfNamespace(TVisM* VisM)
{
    ::ConfNamespace(VisM);
}

void TFormTrevask::visualiza()
{
    Gravar = false;
    SemPeso = false;
    Registro.clear();
    if (ComPort1->Connected())
        ComPort1->ClosePort();
    if (!ModoBotao())
        Gravar = true;

    if (!ChecarServidor())
        return;
    AplicarEmpresa();
    if (!LerDecimais())
        return;
    AplicarPorta();
    ExecutarBat();
    ComPort1->OpenPort();
    ExigirConfiguracao();
}

bool TFormTrevask::ChecarServidor()
{
    VisM1->SetP1(std::string());
    VisM1->SetCode(kChecarServidor);
    VisM1->SetExecFlag(1);
    if (!VisM1->P1().AsString().empty())
        return true;
    MessageDlg(Texto("Impossível Conectar com o Caché! Verifique os processos disponíveis! ") + kQuebra +
                   Texto("Namespace: ") + ToScreen(VisM1->NameSpace()),
               TMsgDlgType::mtError, mbOK);
    Terminar();
    return false;
}

void TFormTrevask::AplicarEmpresa()
{
    const TIniFile ini(kArquivoIni);
    MenuInfo1->SetCodEmp(DecimalStrToInt(ini.ReadString("Empresa", "Empresa", "1")));
    lbEmpresa->setText(QStringLiteral("Empresa: ") + QString::number(MenuInfo1->GetCodEmp()));
    VisM1->SetP0(std::to_string(MenuInfo1->GetCodEmp()));
}

bool TFormTrevask::LerDecimais()
{
    const TIniFile ini(kArquivoIni);
    for (const auto& [chave, nome] : {std::pair{"QtdeDecBalanca", "qtdeDecBalanca"}, {"QtdeDecGrava", "qtdeDecGrava"}})
        if (ini.ReadInteger(kBalanca, chave, -1) < 0) {
            MessageDlg(MensagemDecimais(nome), TMsgDlgType::mtWarning, mbOK);
            FecharJanela();
            return false;
        }
    // Both are bytes: the value modulo 256.
    EdValor1->SetDecimais(static_cast<uint8_t>(ini.ReadInteger(kBalanca, "QtdeDecBalanca", 0)));
    EdValor1->SetDecimaisM(static_cast<uint8_t>(ini.ReadInteger(kBalanca, "QtdeDecGrava", 0)));
    return true;
}

void TFormTrevask::AplicarPorta()
{
    const TIniFile ini(kArquivoIni);
    ComPort1->SetPort(ini.ReadString(kBalanca, "Porta", "COM1"));
    MostrarTexto(EdPorta, ComPort1->Port());

    ChEstabiliz = ini.ReadString(kBalanca, "ChEstabiliz", "");
    MostrarTexto(EdChEstabiliz, ChEstabiliz);
    TpChEstabiliz = ini.ReadString(kBalanca, "TpChEstabiliz", "ASCII");

    const std::string taxa = ini.ReadString(kBalanca, "BaudRate", "9600");
    if (const std::optional<TBaudRate> valor = DoTexto(kTaxas, taxa))
        ComPort1->SetBaudRate(*valor);
    MostrarTexto(EdBitsSegundo, taxa);

    const std::string dados = ini.ReadString(kBalanca, "ByteSize", "8");
    if (const std::optional<TDataBits> valor = DoTexto(kBitsDados, dados))
        ComPort1->SetDataBits(*valor);
    MostrarTexto(EdBitsDados, dados);

    const std::string parada = ini.ReadString(kBalanca, "StopBits", "1");
    if (const std::optional<TStopBits> valor = DoTexto(kBitsParada, parada))
        ComPort1->SetStopBits(*valor);
    MostrarTexto(EdBitsParada, parada);

    SepDecimal = ini.ReadString(kBalanca, "SepDecimal", "");
    NrRegistro = ini.ReadInteger(kBalanca, "NrRegistro", 0);
    PosPesoBruto = ini.ReadInteger(kBalanca, "PosPesoBruto", 0);
    NrCrPesBruto = ini.ReadInteger(kBalanca, "NrCrPesBruto", 0);
    Terminal = ini.ReadString("Terminal", "Terminal", "");
    MostrarTexto(EdConexao, ini.ReadString("Namespace", "NameSpace", "SISTEMAS"));
}

void TFormTrevask::ExecutarBat()
{
    const TIniFile ini(kArquivoIni);
    const std::string caminho = ".\\" + ini.ReadString("BatIBC", "BatIBC", "");
    MostrarTexto(EdBatIBC, caminho);
    if (caminho == ".\\")
        return;
    if (!CreateProcessAndWait(caminho))
        ShowMessage(Texto("Impossível Executar ") + ToScreen(caminho) + Texto("! Verifique se o caminho esta correto!"));
}

void TFormTrevask::ExigirConfiguracao()
{
    if (!Terminal.empty() && !SepDecimal.empty() && NrRegistro != 0 && PosPesoBruto != 0 && NrCrPesBruto != 0)
        return;
    // The port stays open while the window is shown: records go on being handled.
    if (runConfiguration_(MenuInfo1) == mrOk) {
        visualiza();
        return;
    }
    FecharJanela();
    Terminar();
}

void TFormTrevask::mmiConfiguracaoClick(TObject*)
{
    runConfiguration_(MenuInfo1);
    visualiza();
}

void TFormTrevask::mmiFecharClick(TObject*)
{
    FecharJanela();
}

void TFormTrevask::VisM1Error(TObject*)
{
    const QString linha = QStringLiteral("\r");
    QString texto = ToScreen(VisM1->ErrorName()) + linha + QStringLiteral("Code = ") + ToScreen(VisM1->Code());
    for (int i = 0; i < TVisM::RegisterCount; ++i)
        texto += linha + QStringLiteral("P%1 = ").arg(i) + ToScreen(VisM1->P(i).AsString());
    MessageDlg(texto, TMsgDlgType::mtError, mbOK);
}

// --- The scale's records ---------------------------------------------------------------

std::string TFormTrevask::DecToHex(int N)
{
    static const char kDigitos[] = "0123456789ABCDEF";
    std::string texto;
    while (N >= 16) {
        texto.insert(texto.begin(), kDigitos[N % 16]);
        N /= 16;
    }
    texto.insert(texto.begin(), kDigitos[N]);
    if (texto.size() % 2 != 0)
        texto.insert(texto.begin(), '0');
    return texto;
}

bool TFormTrevask::ModoBotao() const
{
    return !BitBtn1->isHidden();
}

TFormTrevask::TLeitura TFormTrevask::Leitura() const
{
    if (TpChEstabiliz == "ASCII")
        return TLeitura::Ascii;
    if (TpChEstabiliz == "HEXADECIMAL")
        return TLeitura::Hexadecimal;
    return TLeitura::Nenhuma;
}

std::string TFormTrevask::LerBytes(TLeitura Modo, int Count)
{
    std::string bytes;
    if (Modo == TLeitura::Ascii) {
        ComPort1->ReadText(bytes, Count);
        return bytes;
    }
    if (Modo != TLeitura::Hexadecimal)
        return bytes;
    // The raw buffer holds HexBufferSize bytes: a larger count is read in several reads,
    // which all belong to this event, until the driver has no more.
    char buffer[HexBufferSize];
    for (int falta = Count; falta > 0;) {
        const int pedido = std::min(falta, HexBufferSize);
        const int lidos = ComPort1->ReadBytes(buffer, pedido);
        bytes.append(buffer, static_cast<size_t>(std::max(lidos, 0)));
        if (lidos < pedido)
            break;
        falta -= lidos;
    }
    return bytes;
}

void TFormTrevask::ComPort1RxChar(TObject*, int Count)
{
    const TLeitura modo = Leitura();
    const std::string bytes = LerBytes(modo, Count);
    for (const char b : bytes) {
        if (Registro.empty())
            CarInicial = modo == TLeitura::Hexadecimal ? DecToHex(static_cast<unsigned char>(b)) : std::string(1, b);
        Registro += b;
        if (static_cast<int64_t>(Registro.size()) > NrRegistro)
            Registro.clear();
        if (static_cast<int64_t>(Registro.size()) != NrRegistro)
            continue;
        const TSeguir seguir = TratarRegistro(modo);
        if (seguir == TSeguir::FimDoEvento)
            return;
        if (seguir == TSeguir::FimDosBytes)
            break;
    }
    VigiarPeso();
}

bool TFormTrevask::Estavel() const
{
    if (ChEstabiliz.empty())
        return true;
    const std::string codigo = CarInicial.empty()
                                   ? ChEstabiliz + "diferente"
                                   : std::to_string(static_cast<unsigned char>(CarInicial.front()));
    return CarInicial == ChEstabiliz || codigo == ChEstabiliz;
}

std::string TFormTrevask::CortarPeso() const
{
    if (NrCrPesBruto < 1)
        return {};
    const size_t inicio = static_cast<size_t>(std::max(PosPesoBruto, 1) - 1);
    if (inicio >= Registro.size())
        return {};
    return Trim(Registro.substr(inicio, static_cast<size_t>(NrCrPesBruto)));
}

TFormTrevask::TSeguir TFormTrevask::TratarRegistro(TLeitura Modo)
{
    MostrarTexto(EdRegLido, Registro);
    EdTamReg->setText(QString::number(Registro.size()));

    if (!Estavel()) {
        // The node goes with the unstable weight; P0 and P1 as the last run left them.
        VisM1->SetCode(kMatarPeso);
        VisM1->SetExecFlag(1);
        return TSeguir::FimDoEvento;
    }

    std::string peso = CortarPeso();
    MostrarTexto(EdPesoLido, peso);
    if (Registro.empty())
        return TSeguir::ProximoByte;

    TSeguir seguir = TSeguir::ProximoByte;
    const size_t p = SepDecimal.empty() ? std::string::npos : peso.find(SepDecimal);
    if (p == std::string::npos) {
        DescartarRegistro();
        if (Modo == TLeitura::Ascii)
            seguir = TSeguir::FimDosBytes;
    } else {
        // The scale's decimals beyond the display's are cut off.
        peso = peso.substr(0, p) + "," + peso.substr(std::min(p + 1, peso.size()), EdValor1->Decimais());
    }

    if (Gravar && !GravarPeso(peso))
        return TSeguir::FimDosBytes;
    return seguir;
}

bool TFormTrevask::GravarPeso(const std::string& Peso)
{
    // A failed run (the user has seen the server's error) fails the store like any other.
    try {
        VisM1->SetCode(kMatarPeso);
        ExecutarCode(VisM1);
        EdValor1->SetValor(PesoToCurr(Peso));
        VisM1->SetP0(MenuInfo1->GetCodEmp());
        VisM1->SetP1(Terminal);
        VisM1->SetP2(EdValor1->ValorM());
        VisM1->SetCode(kGravarPeso);
        ExecutarCode(VisM1);
        MostrarTexto(EdPesoGravado, VisM1->P2().AsString());
        FimDaGravacao();
        return true;
    } catch (...) {
    }
    MessageDlg(Texto("Registro com Problema , aperte Saída Novamente !"), TMsgDlgType::mtError, mbOK);
    FimDaGravacao();
    DescartarRegistro();
    return false;
}

void TFormTrevask::FimDaGravacao()
{
    BitBtn1->setEnabled(true);
    if (ModoBotao())
        Gravar = false;
}

void TFormTrevask::DescartarRegistro()
{
    ComPort1->PurgeBuffers(true, true);
    EdValor1->SetValor(0);
    Registro.clear();
}

void TFormTrevask::VigiarPeso()
{
    if (!EdPesoLido->text().isEmpty())
        return;
    if (!SemPeso) {
        SemPeso = true;
        return;
    }
    SemPeso = false;
    ComPort1->PurgeBuffers(true, true);
    Gravar = false;
}

void TFormTrevask::BitBtn1Click(TObject*)
{
    BitBtn1->setEnabled(false);
    Gravar = true;
}

void TFormTrevask::Action1Execute(TObject*)
{
    if (ModoBotao())
        BitBtn1Click(this);
}

void TFormTrevask::ComPort1Error(TObject*, TComErrors)
{
    ShowMessage(Texto("Erro na leitura da porta Com"));
    ComPort1->PurgeBuffers(true, true);
}

// --- Closing, terminating and the window's events --------------------------------------

void TFormTrevask::FecharJanela()
{
    if (creating_) {
        hide();
        return;
    }
    close();
}

void TFormTrevask::Terminar()
{
    terminateRequested_ = true;
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}

void TFormTrevask::closeEvent(QCloseEvent* Event)
{
    if (creating_) {
        Event->ignore();
        hide();
        return;
    }
    Event->accept();
    Terminar();
}

void TFormTrevask::contextMenuEvent(QContextMenuEvent* Event)
{
    ppmMenu->popup(Event->globalPos());
}

void TFormTrevask::keyPressEvent(QKeyEvent* Event)
{
    const bool enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
    if (enter && ModoBotao() && BitBtn1->isEnabled()) {
        BitBtn1->click();
        return;
    }
    QWidget::keyPressEvent(Event);
}
