#pragma once
// The server control's namespace from the configuration file: [Namespace] "NameSpace" of
// ".\mirtal.ini" in the working directory, "SISTEMAS" when missing. Every window that owns
// a control sets it through here when it is created.
class TVisM;

void ConfNamespace(TVisM* VisM);
