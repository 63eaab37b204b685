#pragma once
// The class library's collections: an owned, ordered list of items of one class, which
// copies itself item by item and tells its owner-side code when it changes.
#include <functional>
#include <memory>
#include <vector>

#include "toolkit/Classes.h"

class TCollection;

// An index outside a list ("List index out of bounds (%d)").
class EListError : public Exception {
public:
    using Exception::Exception;
};

// One item; it belongs to the collection that made it.
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* Collection) : collection_(Collection) {}
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return collection_; }
    // Position in the collection, from 0.
    int Index() const;
    // Moves the item to position Value, the items between closing up; EListError when
    // Value lies outside the collection.
    void SetIndex(int Value);

protected:
    // Tells the collection that this item (or, with AllItems, every item) changed.
    void Changed(bool AllItems);

private:
    TCollection* collection_;
};

class TCollection : public TPersistent {
public:
    using TItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection* Collection)>;

    // Owner: the object the collection belongs to (for naming and streaming); Factory
    // makes one item of the collection's item class.
    TCollection(TPersistent* Owner, TItemFactory Factory);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    TPersistent* Owner() const { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Appends a new item of the item class.
    TCollectionItem* Add();
    // Item Index (from 0); EListError outside the collection.
    TCollectionItem* Items(int Index) const;
    void Delete(int Index);
    void Clear();
    // Another collection: its items are copied one by one through their Assign.
    void Assign(const TPersistent* Source) override;

    // Between the two calls changes are not reported; EndUpdate reports them at once.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

protected:
    // Told of a change of Item, or of the whole collection (Item null: items added,
    // deleted, or changed as a whole). Does nothing here.
    virtual void Update(TCollectionItem* Item);

private:
    friend class TCollectionItem;
    void Changed(TCollectionItem* Item);

    TPersistent* owner_;
    TItemFactory factory_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int updateCount_ = 0;
};

// A collection of items of class Item, handing them out typed. Item is constructed
// from its collection.
template <class Item>
class TCollectionOf : public TCollection {
public:
    explicit TCollectionOf(TPersistent* Owner)
        : TCollection(Owner, [](TCollection* Collection) { return std::make_unique<Item>(Collection); })
    {
    }

    Item* Add() { return static_cast<Item*>(TCollection::Add()); }
    Item* Items(int Index) const { return static_cast<Item*>(TCollection::Items(Index)); }
};
