#pragma once
// The class library's plain string list: 8-bit strings kept in the order they were added,
// searched without regard to letter case.
#include <string>
#include <vector>

#include "toolkit/Classes.h"

// True when A and B differ at most in letter case (Windows-1252 letters included).
bool SameText(const std::string& A, const std::string& B);

class TStringList : public TPersistent {
public:
    int Count() const { return static_cast<int>(strings_.size()); }
    // Raises EListError ("List index out of bounds (%d)") outside 0 .. Count - 1.
    const std::string& Strings(int Index) const;
    // Appends S; returns its index.
    int Add(const std::string& S);
    void Clear() { strings_.clear(); }
    // Index of the first string equal to S without regard to letter case, or -1.
    int IndexOf(const std::string& S) const;
    const std::vector<std::string>& AsVector() const { return strings_; }

    // Copies another string list.
    void Assign(const TPersistent* Source) override;

private:
    std::vector<std::string> strings_;
};
