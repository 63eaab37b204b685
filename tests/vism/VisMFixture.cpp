#include "VisMFixture.h"

#include <stdexcept>

namespace {

class SharedObjects : public ::testing::Environment {
public:
    const std::filesystem::path& Dir()
    {
        if (dir_.empty()) {
            char pattern[] = "/tmp/vism-objects-XXXXXX";
            if (mkdtemp(pattern) == nullptr)
                throw std::runtime_error("cannot make a temporary object directory");
            dir_ = pattern;
        }
        return dir_;
    }
    void TearDown() override
    {
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
    }

private:
    std::filesystem::path dir_;
};

// Owned by GoogleTest once registered.
SharedObjects* const sharedObjects =
    static_cast<SharedObjects*>(::testing::AddGlobalTestEnvironment(new SharedObjects));

} // namespace

std::filesystem::path SharedObjectDir()
{
    return sharedObjects->Dir();
}

std::string EveryByte(size_t Size)
{
    std::string bytes;
    bytes.reserve(Size);
    for (size_t i = 0; bytes.size() < Size; ++i) {
        const char c = static_cast<char>(i % 256);
        if (c != '\n')
            bytes += c;
    }
    return bytes;
}

std::string MStringLiteral(const std::string& Text)
{
    std::string literal = "\"";
    for (const char c : Text) {
        literal += c;
        if (c == '"')
            literal += '"';
    }
    return literal + "\"";
}
