// Recording of drawing calls: the recorder a device context may carry, and the
// scope each drawing call opens so that only the outermost call is heard.

#include "platform/ui/GDI.h"

std::vector<const TGdiOp*> TGdiRecorder::OfKind(TGdiOpKind Kind) const {
  std::vector<const TGdiOp*> Result;
  for (const TGdiOp& Op : Ops)
    if (Op.Kind == Kind) Result.push_back(&Op);
  return Result;
}

std::vector<const TGdiOp*> TGdiRecorder::Within(TGdiOpKind Kind, const TRect& R) const {
  std::vector<const TGdiOp*> Result;
  for (const TGdiOp& Op : Ops) {
    if (Op.Kind != Kind) continue;
    const bool Inside =
        Op.Rect.IsEmpty()
            ? Op.Origin.X >= R.Left && Op.Origin.X < R.Right && Op.Origin.Y >= R.Top && Op.Origin.Y < R.Bottom
            : Op.Rect.Left >= R.Left && Op.Rect.Top >= R.Top && Op.Rect.Right <= R.Right && Op.Rect.Bottom <= R.Bottom;
    if (Inside) Result.push_back(&Op);
  }
  return Result;
}

std::vector<const TGdiOp*> TGdiRecorder::Notes(const String& What) const {
  std::vector<const TGdiOp*> Result;
  for (const TGdiOp& Op : Ops)
    if (Op.Kind == gopNote && Op.Text == What) Result.push_back(&Op);
  return Result;
}

void SetGdiRecorder(HDC DC, TGdiRecorder* Recorder) {
  if (DC) DC->Recorder = Recorder;
}

TGdiRecorder* GetGdiRecorder(HDC DC) { return DC ? DC->Recorder : nullptr; }

void GdiRecordNote(HDC DC, StringView What, const TRect& R, Integer Value) {
  TGdiRecordScope Scope(DC, gopNote);
  if (!Scope.Active()) return;
  Scope.Op().Text = String(What);
  Scope.Op().Rect = R;
  Scope.Op().Value = Value;
}

TGdiRecordScope::TGdiRecordScope(HDC DC, TGdiOpKind Kind) : FRecorder(DC ? DC->Recorder : nullptr) {
  if (!FRecorder) return;
  FOutermost = FRecorder->Depth++ == 0;
  if (!FOutermost) return;
  TGdiOp& Op = FOp.emplace();
  Op.Kind = Kind;
  Op.Color = static_cast<COLORREF>(ColorToRGB(DC->S.Brush.Color)) & 0xFFFFFF;
  Op.Hollow = DC->S.Brush.Style == bsClear;
  Op.BkColor = DC->S.BkColor & 0xFFFFFF;
  Op.BkMode = DC->S.BkMode;
  Op.PenStyle = DC->S.Pen.Style;
}

TGdiRecordScope::~TGdiRecordScope() {
  if (!FRecorder) return;
  --FRecorder->Depth;
  if (FOutermost) FRecorder->Ops.push_back(std::move(*FOp));
}
