#pragma once
// Internal to the list controls: the items of a list or combo box as a TStrings,
// each with its object and the per-item state a check list keeps, so that state
// moves with its item when items are inserted, deleted or sorted.

#include <functional>
#include <vector>

#include "platform/core/StringList.h"

struct TListItem {
  String Text;
  TObject* Object = nullptr;
  Integer State = 0;  // check state of a check list box
  bool Enabled = true;
};

class TListItems final : public TStrings {
public:
  // Changed runs after every change; Sorted is asked when an item is added.
  TListItems(std::function<void()> Changed, std::function<bool()> Sorted)
      : FChanged(std::move(Changed)), FSorted(std::move(Sorted)) {}

  Integer GetCount() const override { return Integer(FItems.size()); }
  String Get(Integer Index) const override { return At(Index).Text; }
  void Put(Integer Index, const String& S) override;
  TObject* GetObject(Integer Index) const override { return At(Index).Object; }
  void PutObject(Integer Index, TObject* AObject) override { At(Index).Object = AObject; }
  Integer Add(const String& S) override;
  void Insert(Integer Index, const String& S) override;
  void Delete(Integer Index) override;
  void Clear() override;
  void Exchange(Integer Index1, Integer Index2) override;
  void Move(Integer CurIndex, Integer NewIndex) override;
  void SetUpdateState(bool Updating) override;

  TListItem& At(Integer Index);
  const TListItem& At(Integer Index) const;
  // Re-sorts by text (locale order, case ignored), keeping states with their items.
  void SortItems();

private:
  void Changed();
  std::vector<TListItem> FItems;
  std::function<void()> FChanged;
  std::function<bool()> FSorted;
  bool FUpdating = false;
};
