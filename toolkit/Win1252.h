#pragma once
// Our 8-bit text is Windows-1252; it becomes Qt's text only at the screen, through here.
#include <QString>
#include <string>

QString ToScreen(const std::string& Text1252);
// Characters Windows-1252 cannot hold become "?".
std::string FromScreen(const QString& Text);
// A UTF-8 literal of ours as Windows-1252 bytes ("Informação" -> 8-bit text).
std::string Cp1252(const char* Utf8Text);
