#pragma once
// The class library's object model: class names, assign-copy, and components with an
// owner, a name, the loading and designing states and free notification.
#include <string>
#include <vector>

#include "toolkit/SysUtils.h"

class TObject {
public:
    virtual ~TObject() = default;
    // The class's own name ("TComParity"), used in messages such as the assign error.
    std::string ClassName() const;
};

// An object whose settings can be copied into another with Assign.
class TPersistent : public TObject {
public:
    // Copies Source into this object; raises EConvertError when neither side knows how.
    virtual void Assign(const TPersistent* Source);

protected:
    // Copies this object into Dest; the base raises "Cannot assign a %s to a %s".
    virtual void AssignTo(TPersistent* Dest) const;
    void AssignError(const TPersistent* Source) const;
};

enum class TOperation { opInsert, opRemove };

// A component belongs to its owner, which frees it; it knows whether it is being
// loaded from a stored window or edited in a designer.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& Value) { name_ = Value; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int Index) const { return components_.at(static_cast<size_t>(Index)); }

    bool Loading() const { return loading_; }
    bool Designing() const { return designing_; }
    bool Destroying() const { return destroying_; }
    void SetDesigning(bool Value) { designing_ = Value; }

    // Loading a stored window: properties set between the two calls are only stored;
    // EndLoading runs the after-load notification of this component and all it owns.
    void BeginLoading();
    void EndLoading();

    // Ask to be told (Notification with opRemove) when AComponent is destroyed.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Points Field at Value and moves the free notification with it, so Field is cleared
    // (in Notification) when the component it names goes away.
    template <class T>
    void SetWatchedReference(T*& Field, T* Value)
    {
        if (Value == Field)
            return;
        if (Field != nullptr)
            RemoveFreeNotification(Field);
        Field = Value;
        if (Value != nullptr)
            FreeNotification(Value);
    }

protected:
    // The after-load notification; the base ends the loading state.
    virtual void Loaded();
    // Told when a component this one watches (or owns) goes away.
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    // Frees every owned component; called by the destructor, and by derived classes
    // whose owned parts must go before their own members do.
    void DestroyComponents();

private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);

    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool loading_ = false;
    bool designing_ = false;
    bool destroying_ = false;
};
