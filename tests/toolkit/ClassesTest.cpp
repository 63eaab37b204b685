#include <gtest/gtest.h>

#include "toolkit/Classes.h"

namespace {

class TSetting : public TPersistent {
public:
    int Value = 0;
};
class TOtherSetting : public TPersistent {};

class TRecordingComponent : public TComponent {
public:
    using TComponent::TComponent;
    ~TRecordingComponent() override { ++destroyed; }
    std::vector<TComponent*> removed;
    int loadedCalls = 0;
    bool loadingDuringLoaded = true;
    static inline int destroyed = 0;

protected:
    void Loaded() override
    {
        TComponent::Loaded();
        loadingDuringLoaded = Loading();
        ++loadedCalls;
    }
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        if (Operation == TOperation::opRemove)
            removed.push_back(AComponent);
    }
};

} // namespace

TEST(TPersistentAssign, RaisesConvertErrorNamingBothClasses)
{
    TSetting setting;
    TOtherSetting other;
    try {
        setting.Assign(&other);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TOtherSetting to a TSetting");
    }
    EXPECT_THROW(setting.Assign(nullptr), EConvertError);
}

TEST(TComponentOwnership, OwnerFreesWhatItOwnsAndForgetsChildrenFreedFirst)
{
    TRecordingComponent::destroyed = 0;
    auto* owner = new TRecordingComponent(nullptr);
    auto* first = new TRecordingComponent(owner);
    new TRecordingComponent(owner);
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete first;
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner;
    EXPECT_EQ(TRecordingComponent::destroyed, 3);
}

TEST(TComponentOwnership, FreeNotificationTellsTheWatcherOnce)
{
    TRecordingComponent watcher(nullptr);
    auto* watched = new TRecordingComponent(nullptr);
    watcher.FreeNotification(watched);
    watcher.FreeNotification(watched);
    const TComponent* watchedAddress = watched;
    delete watched;
    ASSERT_EQ(watcher.removed.size(), 1u);
    EXPECT_TRUE(watcher.removed[0] == watchedAddress);
}

TEST(TComponentLoading, EndLoadingRunsAfterLoadNotificationOutsideLoadingState)
{
    TRecordingComponent owner(nullptr);
    auto* child = new TRecordingComponent(&owner);
    owner.BeginLoading();
    EXPECT_TRUE(child->Loading());
    owner.EndLoading();
    EXPECT_FALSE(child->Loading());
    EXPECT_EQ(child->loadedCalls, 1);
    EXPECT_FALSE(child->loadingDuringLoaded);
}
