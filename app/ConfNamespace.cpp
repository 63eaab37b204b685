#include "app/ConfNamespace.h"

#include "platform/IniFiles.h"
#include "vism/VisM.h"

void ConfNamespace(TVisM* VisM)
{
    const TIniFile ini(".\\mirtal.ini");
    VisM->SetNameSpace(ini.ReadString("Namespace", "NameSpace", "SISTEMAS"));
}
