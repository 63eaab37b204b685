// Collections: owned items in order, typed access, copying, and change reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/Collections.h"

namespace {

std::vector<std::string> destroyed;

class Item : public TCollectionItem {
public:
    explicit Item(TCollection* Collection) : TCollectionItem(Collection) {}
    ~Item() override { destroyed.push_back(text); }

    void SetText(const std::string& Value)
    {
        text = Value;
        Changed(false);
    }
    void Assign(const TPersistent* Source) override
    {
        if (const auto* source = dynamic_cast<const Item*>(Source)) {
            text = source->text;
            return;
        }
        TCollectionItem::Assign(Source);
    }

    std::string text;
};

class PlainItem : public TCollectionItem {
public:
    explicit PlainItem(TCollection* Collection) : TCollectionItem(Collection) {}
};

// Reports every Update call: the item's text, or "*" for the whole collection.
class TextItems : public TCollectionOf<Item> {
public:
    explicit TextItems(TPersistent* Owner = nullptr) : TCollectionOf<Item>(Owner) {}
    std::vector<std::string> updates;

protected:
    void Update(TCollectionItem* Changed) override
    {
        updates.push_back(Changed == nullptr ? "*" : static_cast<Item*>(Changed)->text);
    }
};

void Fill(TextItems& Target, std::initializer_list<const char*> Texts)
{
    for (const char* text : Texts)
        Target.Add()->text = text;
    Target.updates.clear();
}

TEST(Collections, AddAppendsItemsThatKnowTheirCollectionAndIndex)
{
    TPersistent owner;
    TextItems items(&owner);
    Item* first = items.Add();
    Item* second = items.Add();
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Items(0), first);
    EXPECT_EQ(items.Items(1), second);
    EXPECT_EQ(second->Collection(), &items);
    EXPECT_EQ(second->Index(), 1);
    EXPECT_EQ(items.Owner(), &owner);
}

TEST(Collections, IndexOutsideRaisesTheListError)
{
    TextItems items;
    items.Add();
    EXPECT_THROW(items.Items(1), EListError);
    EXPECT_THROW(items.Items(-1), EListError);
    EXPECT_THROW(items.Delete(3), EListError);
    try {
        items.Items(7);
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (7)");
    }
}

TEST(Collections, DeleteFreesTheItemAndClosesTheGap)
{
    destroyed.clear();
    TextItems items;
    items.Add()->text = "a";
    items.Add()->text = "b";
    items.Add()->text = "c";
    items.Delete(1);
    EXPECT_EQ(destroyed, std::vector<std::string>{"b"});
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Items(1)->text, "c");
    EXPECT_EQ(items.Items(1)->Index(), 1);
}

TEST(Collections, ClearAndDestructionFreeEveryItem)
{
    destroyed.clear();
    {
        TextItems items;
        items.Add()->text = "a";
        items.Add()->text = "b";
        items.Clear();
        EXPECT_EQ(items.Count(), 0);
        EXPECT_EQ(destroyed.size(), 2u);
        items.Add()->text = "c";
    }
    EXPECT_EQ(destroyed.back(), "c");
}

TEST(Collections, AssignReplacesTheItemsWithCopiesThroughTheItemsAssign)
{
    TextItems source;
    Fill(source, {"x", "y"});
    TextItems target;
    Fill(target, {"old"});
    target.Assign(&source);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Items(0)->text, "x");
    EXPECT_EQ(target.Items(1)->text, "y");
    EXPECT_NE(target.Items(0), source.Items(0));
    target.Assign(&target);
    EXPECT_EQ(target.Count(), 2) << "assigning a collection to itself keeps it";
}

TEST(Collections, AssignFromSomethingElseRaisesTheAssignError)
{
    TextItems items;
    TPersistent other;
    EXPECT_THROW(items.Assign(&other), EConvertError);
}

TEST(Collections, AssignOfItemsWithoutTheirOwnCopyRaisesTheAssignError)
{
    TCollectionOf<PlainItem> source(nullptr);
    source.Add();
    TCollectionOf<PlainItem> target(nullptr);
    EXPECT_THROW(target.Assign(&source), EConvertError);
    EXPECT_EQ(target.UpdateCount(), 0) << "the update bracket is closed on failure";
}

TEST(Collections, ChangesAreReportedAtOnceOutsideAnUpdateAndOnceAtItsEnd)
{
    TextItems items;
    Item* item = items.Add();
    item->SetText("t");
    EXPECT_EQ(items.updates, (std::vector<std::string>{"*", "t"}));

    items.updates.clear();
    items.BeginUpdate();
    items.Add();
    item->SetText("u");
    items.Delete(1);
    EXPECT_TRUE(items.updates.empty());
    items.EndUpdate();
    EXPECT_EQ(items.updates, std::vector<std::string>{"*"});
}

TEST(Collections, AssignReportsOneChangeOfTheWholeCollection)
{
    TextItems source;
    Fill(source, {"x", "y"});
    TextItems target;
    target.Assign(&source);
    EXPECT_EQ(target.updates, std::vector<std::string>{"*"});
}

} // namespace
