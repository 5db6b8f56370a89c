#pragma once
// TJPEGImage: a JPEG picture decoded through libjpeg into a bitmap.
//
// Data that does not decode raises EInvalidGraphic and leaves the image empty:
// libjpeg's own error handler would end the process, so ours unwinds back to
// the loader instead. An empty image draws nothing.

#include <memory>
#include <string>

#include "platform/ui/Graphics.h"

class TStream;

class TJPEGImage final : public TGraphic {
public:
  BORROW_CLASS(TJPEGImage, TGraphic)
  TJPEGImage();
  ~TJPEGImage() override;

  Integer GetWidth() const override;
  Integer GetHeight() const override;
  // The size of a JPEG is the size of its data.
  void SetWidth(Integer) override {}
  void SetHeight(Integer) override {}
  bool GetEmpty() const override { return !FBitmap; }

  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  void LoadFromFile(const String& FileName) override;
  void LoadFromStream(TStream* Stream);
  void LoadFromBytes(const std::string& Bytes);
  // Saving writes the decoded picture as PNG: no encoder is needed anywhere here.
  void SaveToFile(const String& FileName) override;

  // The decoded picture (null while empty), e.g. for TPicture::SetGraphic.
  TBitmap* GetBitmap() const { return FBitmap.get(); }

private:
  std::unique_ptr<TBitmap> FBitmap;
};

// Loads a picture file into Picture: JPEG files (".jpg", ".jpeg") through
// TJPEGImage, anything else as TPicture::LoadFromFile does. A file that does not
// decode leaves the picture empty and raises EInvalidGraphic.
void LoadPictureFile(TPicture* Picture, const String& FileName);
