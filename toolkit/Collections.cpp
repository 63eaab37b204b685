#include "toolkit/Collections.h"

#include <algorithm>

int TCollectionItem::Index() const
{
    for (int i = 0; i < collection_->Count(); ++i)
        if (collection_->Items(i) == this)
            return i;
    return -1;
}

void TCollectionItem::SetIndex(int Value)
{
    const int current = Index();
    if (Value == current)
        return;
    collection_->Items(Value); // the index check
    auto& items = collection_->items_;
    std::unique_ptr<TCollectionItem> self = std::move(items[static_cast<size_t>(current)]);
    items.erase(items.begin() + current);
    items.insert(items.begin() + Value, std::move(self));
    Changed(true);
}

void TCollectionItem::Changed(bool AllItems)
{
    collection_->Changed(AllItems ? nullptr : this);
}

TCollection::TCollection(TPersistent* Owner, TItemFactory Factory) : owner_(Owner), factory_(std::move(Factory))
{
}

TCollection::~TCollection()
{
    // Going away as a whole: nobody is told item by item.
    ++updateCount_;
    items_.clear();
}

TCollectionItem* TCollection::Add()
{
    items_.push_back(factory_(this));
    TCollectionItem* item = items_.back().get();
    Changed(nullptr);
    return item;
}

TCollectionItem* TCollection::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return items_[static_cast<size_t>(Index)].get();
}

void TCollection::Delete(int Index)
{
    Items(Index); // the index check
    // The item leaves the list before it is destroyed, so its destructor sees a
    // consistent collection.
    std::unique_ptr<TCollectionItem> item = std::move(items_[static_cast<size_t>(Index)]);
    items_.erase(items_.begin() + Index);
    item.reset();
    Changed(nullptr);
}

void TCollection::Clear()
{
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty()) {
        std::unique_ptr<TCollectionItem> item = std::move(items_.back());
        items_.pop_back();
        item.reset();
    }
    EndUpdate();
}

void TCollection::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TCollection*>(Source);
    if (source == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < source->Count(); ++i)
            Add()->Assign(source->Items(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::BeginUpdate()
{
    ++updateCount_;
}

void TCollection::EndUpdate()
{
    --updateCount_;
    Changed(nullptr);
}

void TCollection::Changed(TCollectionItem* Item)
{
    if (updateCount_ == 0)
        Update(Item);
}

void TCollection::Update(TCollectionItem*)
{
}
