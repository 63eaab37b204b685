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
