#pragma once
// Image lists: images of one size with a transparency mask, drawn with a
// background colour (clNone: the mask shows through; clDefault: the list's own)
// and, when selected or focused, blended with the highlight colour.

#include <vector>

#include "platform/core/Component.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Messages.h"

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_BLEND = ILD_BLEND50;
constexpr UINT ILD_MASK = 0x0010;

class TCustomImageList;

// A client's link to an image list's changes: registered with the list, told of
// each change through OnChange; it leaves the list when it goes, and the list
// forgets its links when it goes first.
class TChangeLink {
public:
  TChangeLink() = default;
  ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  TCustomImageList* GetSender() const { return FSender; }
  void Change();

  TNotifyEvent OnChange;

private:
  friend class TCustomImageList;
  TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
public:
  BORROW_COMPONENT(TCustomImageList, TComponent)
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
  // A link is told of every change until it is unregistered (a link belongs to one list).
  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);

  Integer GetWidth() const { return FWidth; }
  // Changing the size empties the list.
  void SetWidth(Integer Value);
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value);
  Integer GetCount() const { return Integer(FImages.size()); }
  TColor GetBkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);
  TColor GetBlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor Value);
  TDrawingStyle GetDrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle Value);
  TImageType GetImageType() const { return FImageType; }
  void SetImageType(TImageType Value);
  bool GetMasked() const { return FMasked; }
  void SetMasked(bool Value);

  // Adds the images a bitmap holds side by side (its width a multiple of Width);
  // white pixels of Mask are transparent. Gives the index of the first one.
  Integer Add(TBitmap* Image, TBitmap* Mask);
  // MaskColor clDefault takes the image's bottom-left pixel.
  Integer AddMasked(TBitmap* Image, TColor MaskColor);
  void Delete(Integer Index);
  void Clear();
  bool GetBitmap(Integer Index, TBitmap* Image) const;
  // Transparent where the mask says so.
  bool IsTransparent(Integer Index, Integer X, Integer Y) const;

  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index, TDrawingStyle ADrawingStyle, TImageType AImageType,
            bool Enabled = true);
  // Draws with an explicit background and blend colour (clNone, clDefault or a
  // colour) and ILD_ style, clipped to DX x DY (0: the image size).
  void DrawEx(Integer Index, HDC DC, Integer X, Integer Y, Integer DX, Integer DY, TColor Bk, TColor Fg, UINT Style,
              bool Enabled = true) const;

  TNotifyEvent OnChange;

protected:
  virtual void DoDraw(Integer Index, TCanvas* Canvas, Integer X, Integer Y, UINT Style, bool Enabled);
  void Change();

private:
  struct TImage {
    std::vector<std::uint32_t> Pixels;  // 0x00RRGGBB
    std::vector<bool> Transparent;
  };
  Integer FWidth = 16, FHeight = 16;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  TDrawingStyle FDrawingStyle = dsNormal;
  TImageType FImageType = itImage;
  bool FMasked = true;
  std::vector<TImage> FImages;
  std::vector<TChangeLink*> FClients;  // not owned
};

class TImageList : public TCustomImageList {
public:
  BORROW_COMPONENT(TImageList, TCustomImageList)
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
