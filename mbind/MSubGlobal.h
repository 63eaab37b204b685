#pragma once
// A sub-global: a TMGlobal with a node of its own whose first key levels follow the
// current keys of a master global, a detail node of the master's record. Each time the
// master notifies its links the sub-global fixes those levels to the master's key values,
// re-reads its node and takes the master's lock state; a change typed into one of its
// controls locks both its node and the master's record, and the master posts it after
// its own successful post.
#include <memory>

#include "mbind/MGlobal.h"

class TMSubGlobal : public TMGlobal {
public:
    explicit TMSubGlobal(TComponent* AOwner);
    // The link leaves the master first.
    ~TMSubGlobal() override;

    // Published. The master; writing it moves the link to the new master and reads nothing.
    TMGlobalBase* MGlobal() const { return link_->Global(); }
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }

    // The link callback: own level i is fixed to the master's key value i (an empty value
    // unfixes it), for the levels both have; then Refresh and the master's lock state.
    void RefreshFromGlobal();
    // TMGlobal's Edit on the sub-global, then the master's Edit.
    void Edit() override;

private:
    std::unique_ptr<TMGlobalLink> link_;
};
