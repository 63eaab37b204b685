#include "app/FrmMorvidConfig.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <vector>

#include "app/ConfNamespace.h"
#include "mbind/MComboBox.h"
#include "mbind/MenuInfo.h"
#include "platform/IniFiles.h"
#include "toolkit/ComboBox.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Edit.h"
#include "toolkit/MaskEdit.h"
#include "toolkit/StringList.h"
#include "toolkit/Win1252.h"
#include "vism/VisM.h"

namespace {

const char* const kArquivoIni = ".\\mirtal.ini";
const char* const kBalanca = "Balanca";
const char* const kListarTerminais = "$$TERMCRU^CCTTGA955";

QString Texto(const char* Utf8)
{
    return QString::fromUtf8(Utf8);
}

// Times New Roman, or the nearest serif face where it is not installed.
QFont TimesNewRoman(bool Bold)
{
    QFont font(QStringLiteral("Times New Roman"), 9);
    font.setStyleHint(QFont::Serif);
    font.setBold(Bold);
    return font;
}

QGroupBox* Grupo(const char* Caption, QWidget* Parent)
{
    auto* group = new QGroupBox(Texto(Caption), Parent);
    group->setFont(TimesNewRoman(true));
    group->setStyleSheet(QStringLiteral("QGroupBox::title { color: navy; }"));
    return group;
}

// The fields' own font: a group's bold font would otherwise pass on to them.
template <class Field>
Field* Campo(Field* Control, const char* Name)
{
    Control->setFont(TimesNewRoman(false));
    Control->setObjectName(QString::fromLatin1(Name));
    Control->SetName(Name);
    return Control;
}

TCustomComboBox* Lista(QWidget* Parent, const char* Name, const std::vector<std::string>& Itens)
{
    auto* combo = Campo(new TCustomComboBox(nullptr, Parent), Name);
    combo->SetStyle(csDropDownList);
    combo->SetItems(Itens);
    return combo;
}

TCustomMaskEdit* Mascara(QWidget* Parent, const char* Name)
{
    return Campo(new TCustomMaskEdit(nullptr, Parent), Name);
}

TCustomEdit* Edit(QWidget* Parent, const char* Name)
{
    return Campo(new TCustomEdit(nullptr, Parent), Name);
}

QLabel* Rotulo(const char* Caption, QWidget* Field, QWidget* Parent)
{
    auto* label = new QLabel(Texto(Caption), Parent);
    label->setFont(TimesNewRoman(false));
    label->setBuddy(Field);
    return label;
}

// A list selects the first item equal to the value without regard to letter case; none
// when there is no such item.
void Selecionar(TCustomComboBox* Combo, const std::string& Valor)
{
    const std::vector<std::string> itens = Combo->Items();
    for (size_t i = 0; i < itens.size(); ++i) {
        if (SameText(itens[i], Valor)) {
            Combo->SetItemIndex(static_cast<int>(i));
            return;
        }
    }
    Combo->SetItemIndex(-1);
}

// The listing goes on while the server answers the number 0; an empty or non-numeric
// answer ends it.
bool IsNumberZero(const TVariant& Value)
{
    if (Value.IsEmpty())
        return false;
    try {
        return Value.AsInteger() == 0;
    } catch (const EConvertError&) {
        return false;
    }
}

bool IsEnter(int Key)
{
    return Key == Qt::Key_Return || Key == Qt::Key_Enter;
}

} // namespace

TFormMorvidConfig::TFormMorvidConfig(TComponent* AOwner, TMenuInfo* MenuInfo, TVisMFactory CreateVisM)
    : QDialog(nullptr), TComponent(AOwner), menuInfo_(MenuInfo)
{
    SetName("FormMorvidConfig");
    setObjectName(QStringLiteral("FormMorvidConfig"));
    setWindowTitle(Texto("Parâmetros de Configuração"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(TimesNewRoman(false));
    CreateComponents(CreateVisM);
    LayOut();
    SetTabOrder();
    resize(413, 490);
    CentreOnScreen();

    RunGuarded(this, [this] { FormCreate(this); });
}

TFormMorvidConfig::~TFormMorvidConfig()
{
    // The server control goes first, while the handler it calls is still whole.
    DestroyComponents();
}

void TFormMorvidConfig::CreateComponents(const TVisMFactory& CreateVisM)
{
    VisM1 = CreateVisM ? CreateVisM(this) : new TVisM(this);
    VisM1->SetName("VisM1");
    VisM1->OnError = [this](TObject* Sender) { VisM1Error(Sender); };

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);

    gbEmpresa = Grupo("&Empresa", Panel1);
    EdEmpresa = Edit(gbEmpresa, "EdEmpresa");

    gbTerminal = Grupo("&Terminal", Panel1);
    CBTerminal = Campo(new TMComboBox(nullptr, gbTerminal), "CBTerminal");
    CBTerminal->SetStyle(csDropDownList);
    CBTerminal->SetTipoValor(tvCodigo);
    CBTerminal->SetTipoCampo(tcPiece);
    CBTerminal->SetEstilo(teValor);
    CBTerminal->SetSeparador("-");
    CBTerminal->SetPiece(0);
    CBTerminal->OnKeyDown = [this](TObject* Sender, int& Key, Qt::KeyboardModifiers Shift) {
        CBTerminalKeyDown(Sender, Key, Shift);
    };

    gbBalanca = Grupo("&Balança", Panel1);
    CBPortaBalanca = Lista(gbBalanca, "CBPortaBalanca", {"COM1", "COM2", "COM3", "COM4"});
    CBByteSize = Lista(gbBalanca, "CBByteSize", {"1", "2", "3", "4", "5", "6", "7", "8"});
    CBBaudRate = Lista(gbBalanca, "CBBaudRate",
                       {"110", "115200", "1200", "128000", "14400", "19200", "2400", "256000", "300", "38400",
                        "4800", "56000", "57600", "600", "9600"});
    CBStopBits = Lista(gbBalanca, "CBStopBits", {"1", "1,5", "2"});
    MNrRegistro = Mascara(gbBalanca, "MNrRegistro");
    MSepDecimal = Mascara(gbBalanca, "MSepDecimal");
    MPosBruto = Mascara(gbBalanca, "MPosBruto");
    MNrBruto = Mascara(gbBalanca, "MNrBruto");
    EdQtdeDecBal = Mascara(gbBalanca, "EdQtdeDecBal");
    EdQtdeDecGra = Mascara(gbBalanca, "EdQtdeDecGra");
    MEEstabiliz = Mascara(gbBalanca, "MEEstabiliz");
    cbTipoCaracterEstab = Lista(gbBalanca, "cbTipoCaracterEstab", {"ASCII", "HEXADECIMAL"});
    const TKeyEvent balancaKeyDown = [this](TObject* Sender, int& Key, Qt::KeyboardModifiers Shift) {
        CBPortaBalancaKeyDown(Sender, Key, Shift);
    };
    for (TCustomComboBox* combo : {CBPortaBalanca, CBByteSize, CBBaudRate, CBStopBits, cbTipoCaracterEstab})
        combo->OnKeyDown = balancaKeyDown;
    for (TCustomMaskEdit* edit : {MNrRegistro, MSepDecimal, MPosBruto, MNrBruto, EdQtdeDecBal, EdQtdeDecGra,
                                  MEEstabiliz})
        edit->OnKeyDown = balancaKeyDown;

    gbNamespace = Grupo("&Namespace", Panel1);
    EdNamespace = Edit(gbNamespace, "EdNamespace");

    gbBat = Grupo("Arquivo de Bat dos IBC's", Panel1);
    EdBat = Edit(gbBat, "EdBat");

    BitBtn1 = new QPushButton(Texto("&Ok"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { RunGuarded(this, [this] { BitBtn1Click(this); }); });
    BitBtn2 = new QPushButton(Texto("&Sair"), Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TFormMorvidConfig::LayOut()
{
    auto* janela = new QVBoxLayout(this);
    janela->setContentsMargins(0, 0, 0, 0);
    janela->addWidget(Panel1);

    auto umCampo = [](QGroupBox* Group, const char* Caption, QWidget* Field) {
        auto* layout = new QVBoxLayout(Group);
        layout->setContentsMargins(6, 2, 6, 4);
        layout->setSpacing(1);
        layout->addWidget(Rotulo(Caption, Field, Group));
        layout->addWidget(Field);
    };
    umCampo(gbEmpresa, "Código da Empresa", EdEmpresa);
    umCampo(gbTerminal, "Código do Terminal", CBTerminal);
    umCampo(gbNamespace, "Namespace", EdNamespace);
    umCampo(gbBat, "Arquivo", EdBat);

    auto* balanca = new QGridLayout(gbBalanca);
    balanca->setContentsMargins(6, 2, 6, 4);
    balanca->setVerticalSpacing(1);
    const std::pair<const char*, QWidget*> linhas[] = {
        {"Porta de Leitura ", CBPortaBalanca},
        {"ByteSize", CBByteSize},
        {"BaudRate", CBBaudRate},
        {"StopBits", CBStopBits},
        {"Tamanho do Registro", MNrRegistro},
        {"Separador Decimal", MSepDecimal},
        {"Pos. Inicial Peso Bruto", MPosBruto},
        {"Tamanho Peso Bruto", MNrBruto},
        {"Quantidade de Decimais da Balança", EdQtdeDecBal},
        {"Quantidade de Decimais para Gravar", EdQtdeDecGra},
        {"Caracter de Estabilização da balança", MEEstabiliz},
        {"Tipo Caracter Estabilização", cbTipoCaracterEstab},
    };
    int linha = 0;
    for (const auto& [caption, field] : linhas) {
        field->setFixedWidth(130);
        balanca->addWidget(Rotulo(caption, field, gbBalanca), linha, 0);
        balanca->addWidget(field, linha, 1);
        ++linha;
    }

    auto* painel = new QVBoxLayout(Panel1);
    painel->setContentsMargins(6, 4, 6, 6);
    painel->setSpacing(2);
    auto* topo = new QHBoxLayout;
    topo->addWidget(gbEmpresa, 1);
    topo->addWidget(gbTerminal, 2);
    painel->addLayout(topo);
    painel->addWidget(gbBalanca);
    auto* base = new QHBoxLayout;
    base->addWidget(gbNamespace, 1);
    base->addWidget(gbBat, 2);
    painel->addLayout(base);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    botoes->addWidget(BitBtn1);
    botoes->addWidget(BitBtn2);
    painel->addLayout(botoes);
}

void TFormMorvidConfig::SetTabOrder()
{
    QWidget* const ordem[] = {
        CBTerminal,
        CBPortaBalanca, CBByteSize, CBBaudRate, CBStopBits, MNrRegistro, MSepDecimal, MPosBruto, MNrBruto,
        EdQtdeDecBal, EdQtdeDecGra, MEEstabiliz, cbTipoCaracterEstab,
        BitBtn1, BitBtn2, EdNamespace, EdBat, EdEmpresa,
    };
    for (size_t i = 1; i < std::size(ordem); ++i)
        setTabOrder(ordem[i - 1], ordem[i]);
}

void TFormMorvidConfig::CentreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormMorvidConfig::FormCreate(TObject* /*Sender*/)
{
    ConfNamespace(VisM1);
    ConfTerminal();

    const TIniFile ini(kArquivoIni);
    CBTerminal->SetItemIndex(CBTerminal->IndexOfCode(ini.ReadString("Terminal", "Terminal", "")));
    MEEstabiliz->SetText(ini.ReadString(kBalanca, "ChEstabiliz", ""));
    Selecionar(CBPortaBalanca, ini.ReadString(kBalanca, "Porta", "COM2"));
    Selecionar(CBBaudRate, ini.ReadString(kBalanca, "BaudRate", "9600"));
    Selecionar(CBByteSize, ini.ReadString(kBalanca, "ByteSize", "8"));
    Selecionar(CBStopBits, ini.ReadString(kBalanca, "StopBits", "1"));
    MNrRegistro->SetText(ini.ReadString(kBalanca, "NrRegistro", "0"));
    MSepDecimal->SetText(ini.ReadString(kBalanca, "SepDecimal", ""));
    MPosBruto->SetText(ini.ReadString(kBalanca, "PosPesoBruto", "0"));
    MNrBruto->SetText(ini.ReadString(kBalanca, "NrCrPesBruto", "0"));
    EdNamespace->SetText(ini.ReadString("Namespace", "Namespace", "SISTEMAS"));
    EdBat->SetText(ini.ReadString("BatIBC", "BatIBC", ""));
    EdEmpresa->SetText(ini.ReadString("Empresa", "Empresa", "1"));
    EdQtdeDecBal->SetText(ini.ReadString(kBalanca, "QtdeDecBalanca", "0"));
    EdQtdeDecGra->SetText(ini.ReadString(kBalanca, "QtdeDecGrava", "0"));
    Selecionar(cbTipoCaracterEstab, ini.ReadString(kBalanca, "TpChEstabiliz", "ASCII"));
}

void TFormMorvidConfig::FormShow(TObject* /*Sender*/)
{
    BitBtn2->setFocus();
}

void TFormMorvidConfig::ConfTerminal()
{
    CBTerminal->ClearItems();
    VisM1->SetP0(TVariant(menuInfo_->GetCodEmp()));
    VisM1->SetP1(TVariant(std::string()));
    VisM1->SetP2(TVariant(std::string()));
    VisM1->SetCode(kListarTerminais);
    VisM1->SetExecFlag(1);
    // Each run starts from the terminal the previous one delivered. A failed run leaves
    // ResultValue empty, which ends the list; so does a run that answers 0 without moving
    // on, which would deliver the same terminal for ever.
    std::string anterior;
    while (IsNumberZero(VisM1->ResultValue())) {
        const std::string codigo = VisM1->P1().AsString();
        if (codigo == anterior)
            break;
        CBTerminal->AddItem(codigo + " - " + VisM1->P2().AsString(), codigo);
        anterior = codigo;
        VisM1->SetExecFlag(1);
    }
}

void TFormMorvidConfig::BitBtn1Click(TObject* /*Sender*/)
{
    struct TVerificacao {
        QWidget* Controle;
        bool Falha;
        const char* Mensagem;
    };
    const TVerificacao verificacoes[] = {
        {CBTerminal, CBTerminal->Text().empty(), "Terminal não Cadastrado!"},
        {CBPortaBalanca, CBPortaBalanca->Text().empty(), "Porta de leitura da Balança não Cadastrada !"},
        {CBBaudRate, CBBaudRate->Text().empty(), "BaudRate de leitura da Balança não Cadastrada !"},
        {CBByteSize, CBByteSize->Text().empty(), "ByteSize de leitura da Balança não Cadastrada !"},
        {CBStopBits, CBStopBits->Text().empty(), "StopBits de leitura da Balança não Cadastrada !"},
        {MNrRegistro, MNrRegistro->Text() == "0", "Nr. de caracteres do Registro não Cadastrado !"},
        {MSepDecimal, MSepDecimal->Text().empty(), "Separador da Decimal não Cadastrada !"},
        {MPosBruto, MPosBruto->Text() == "0", "Posição Inicial do Peso Bruto não Cadastrado !"},
        {MNrBruto, MNrBruto->Text() == "0", "Número de caracteres Peso Bruto não Cadastrado !"},
        {EdQtdeDecBal, EdQtdeDecBal->Text() == "0", "Número de Decimais do Peso da Balança não Cadastrado !"},
        {EdQtdeDecGra, EdQtdeDecGra->Text() == "0",
         "Número de Decimais do Peso para Gravação não Cadastrado !"},
    };
    for (const TVerificacao& verificacao : verificacoes) {
        if (verificacao.Falha) {
            MessageDlg(Texto(verificacao.Mensagem), TMsgDlgType::mtError, mbOK);
            verificacao.Controle->setFocus();
            return;
        }
    }

    TIniFile ini(kArquivoIni);
    ini.WriteString(kBalanca, "ChEstabiliz", MEEstabiliz->Text());
    ini.WriteString(kBalanca, "Porta", CBPortaBalanca->Text());
    ini.WriteString(kBalanca, "BaudRate", CBBaudRate->Text());
    ini.WriteString(kBalanca, "ByteSize", CBByteSize->Text());
    ini.WriteString(kBalanca, "StopBits", CBStopBits->Text());
    ini.WriteString(kBalanca, "NrRegistro", MNrRegistro->Text());
    ini.WriteString(kBalanca, "SepDecimal", MSepDecimal->Text());
    ini.WriteString(kBalanca, "PosPesoBruto", MPosBruto->Text());
    ini.WriteString(kBalanca, "NrCrPesBruto", MNrBruto->Text());
    ini.WriteString(kBalanca, "QtdeDecBalanca", EdQtdeDecBal->Text());
    ini.WriteString(kBalanca, "QtdeDecGrava", EdQtdeDecGra->Text());
    ini.WriteString("Terminal", "Terminal", CBTerminal->SelectedCode());
    ini.WriteString("Namespace", "Namespace", EdNamespace->Text());
    ini.WriteString("Empresa", "Empresa", EdEmpresa->Text());
    ini.WriteString("BatIBC", "BatIBC", EdBat->Text());
    ini.WriteString(kBalanca, "TpChEstabiliz", cbTipoCaracterEstab->Text());
    done(mrOk);
}

void TFormMorvidConfig::CBPortaBalancaKeyDown(TObject* /*Sender*/, int& Key, Qt::KeyboardModifiers /*Shift*/)
{
    if (IsEnter(Key)) {
        focusNextPrevChild(true);
        Key = 0;
    } else if (Key == Qt::Key_Escape) {
        focusNextPrevChild(false);
    }
}

void TFormMorvidConfig::CBTerminalKeyDown(TObject* /*Sender*/, int& Key, Qt::KeyboardModifiers /*Shift*/)
{
    if (IsEnter(Key))
        BitBtn1->setFocus();
    else if (Key == Qt::Key_Escape)
        focusNextPrevChild(false);
}

void TFormMorvidConfig::VisM1Error(TObject* /*Sender*/)
{
    MessageDlg(ToScreen(VisM1->ErrorName()), TMsgDlgType::mtError, mbOK);
}

void TFormMorvidConfig::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (!Event->spontaneous())
        RunGuarded(this, [this] { FormShow(this); });
}

void TFormMorvidConfig::keyPressEvent(QKeyEvent* Event)
{
    // Enter and Escape that no control took do not close the window.
    if (IsEnter(Event->key()) || Event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(Event);
}

void TFormMorvidConfig::reject()
{
    done(mrCancel);
}
