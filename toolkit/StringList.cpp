#include "toolkit/StringList.h"

#include "toolkit/Collections.h"
#include "toolkit/Win1252.h"

bool SameText(const std::string& A, const std::string& B)
{
    return ToScreen(A).compare(ToScreen(B), Qt::CaseInsensitive) == 0;
}

const std::string& TStringList::Strings(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return strings_[static_cast<size_t>(Index)];
}

int TStringList::Add(const std::string& S)
{
    strings_.push_back(S);
    return Count() - 1;
}

int TStringList::IndexOf(const std::string& S) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(strings_[static_cast<size_t>(i)], S))
            return i;
    return -1;
}

void TStringList::Assign(const TPersistent* Source)
{
    if (const auto* list = dynamic_cast<const TStringList*>(Source)) {
        strings_ = list->strings_;
        return;
    }
    TPersistent::Assign(Source);
}
