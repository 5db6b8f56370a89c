// The RTF table exporter. The body (one table row per exported row) is written
// first into memory, which fills the colour and font tables; then the header
// with both tables goes to the stream, and the body after it.
//
// Texts are escaped so that word processors read them as written: "\", "{" and
// "}" get a backslash, and every character outside printable ASCII is written
// as a \u escape (with "?" for readers that cannot show it).

#include "grid/DBGridEhImpExp.h"

#include <cmath>

#include "platform/core/Format.h"
#include "platform/ui/GDI.h"

namespace {

std::string RtfEscaped(const String& Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (Char C : Text) {
    if (C == u'\\' || C == u'{' || C == u'}') {
      Out.push_back('\\');
      Out.push_back(char(C));
    } else if (C >= 0x20 && C < 0x7F) {
      Out.push_back(char(C));
    } else if (C == u'\t') {
      Out += "\\tab ";
    } else if (C == u'\n') {
      Out += "\\line ";
    } else if (C == u'\r') {
      // CR LF and a lone CR are one line break, written at the LF or here.
    } else {
      // \u takes a signed 16-bit number.
      Out += "\\u" + std::to_string(int(int16_t(C))) + "?";
    }
  }
  return Out;
}

std::string Num(Int64 Value) { return std::to_string(Value); }

const char* AlignmentCode(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify: return "\\qr";
    case taCenter: return "\\qc";
    default: return "\\ql";
  }
}

}  // namespace

Integer TDBGridEhExportAsRTF::ColorIndex(TColor Color) {
  const TColor Rgb = ColorToRGB(Color);
  for (size_t I = 0; I < FColorTable.size(); ++I)
    if (FColorTable[I] == Rgb) return Integer(I);
  FColorTable.push_back(Rgb);
  return Integer(FColorTable.size() - 1);
}

Integer TDBGridEhExportAsRTF::FontIndex(const String& Name) {
  for (size_t I = 0; I < FFontTable.size(); ++I)
    if (FFontTable[I] == Name) return Integer(I);
  FFontTable.push_back(Name);
  return Integer(FFontTable.size() - 1);
}

Integer TDBGridEhExportAsRTF::PixelsPerInch() const {
  Integer Ppi = 0;
  if (FDBGridEh && FDBGridEh->GetCanvas() && FDBGridEh->GetCanvas()->GetHandle())
    Ppi = GetDeviceCaps(FDBGridEh->GetCanvas()->GetHandle(), LOGPIXELSX);
  return Ppi > 0 ? Ppi : 96;
}

Integer TDBGridEhExportAsRTF::Spacing() const { return FDBGridEh->GetFlat() ? 12 : 24; }

void TDBGridEhExportAsRTF::WriteRowHead(TColumnsEhList* ColumnsList, const std::vector<TColor>& Backgrounds,
                                        const std::vector<TCellBorders>* Borders) {
  std::string Head = "\\trowd\\trgaph40\r\n";
  const Integer Ppi = PixelsPerInch();
  Int64 Right = 0;
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    const TCellBorders B = Borders ? (*Borders)[size_t(I)] : TCellBorders();
    if (B.Left) Head += "\\clbrdrl\\brdrs\\brdrcf0\r\n";
    if (B.Top) Head += "\\clbrdrt\\brdrs\\brdrcf0\r\n";
    if (B.Bottom) Head += "\\clbrdrb\\brdrs\\brdrcf0\r\n";
    if (B.Right) Head += "\\clbrdrr\\brdrs\\brdrcf0\r\n";
    Right += std::llround(double(ColumnsList->GetColumn(I)->GetWidth()) * 1440.0 / double(Ppi));
    Head += "\\clshdng10000\\clcfpat" + Num(ColorIndex(Backgrounds[size_t(I)])) + "\\cellx" + Num(Right) + "\r\n";
  }
  Head += "{\\trrh0\r\n";
  WriteAnsiBytes(Head);
}

void TDBGridEhExportAsRTF::WriteCell(TAlignment Alignment, TFont* Font, TColor Background, const String& Text,
                                     Integer Spacing) {
  std::string Cell = "\\pard\\intbl{";
  Cell += AlignmentCode(Alignment);
  Cell += "\\sb" + Num(Spacing) + "\\sa" + Num(Spacing);
  Cell += "\\fs" + Num(Int64(Font->GetSize()) * 2);
  const TFontStyles Style = Font->GetStyle();
  if (Style.Contains(fsBold)) Cell += "\\b";
  if (Style.Contains(fsItalic)) Cell += "\\i";
  if (Style.Contains(fsStrikeOut)) Cell += "\\strike";
  if (Style.Contains(fsUnderline)) Cell += "\\ul";
  Cell += "\\f" + Num(FontIndex(Font->GetName())) + "\\cf" + Num(ColorIndex(Font->GetColor())) + "\\cb" +
          Num(ColorIndex(Background)) + " ";
  Cell += RtfEscaped(Text);
  Cell += "\\cell}\r\n";
  WriteAnsiBytes(Cell);
}

void TDBGridEhExportAsRTF::WriteTitle(TColumnsEhList* ColumnsList) {
  if (FDBGridEh->GetUseMultiTitle()) return WriteMultiTitle(ColumnsList);
  std::vector<TColor> Backgrounds;
  for (Integer I = 0; I < ColumnsList->Count(); ++I)
    Backgrounds.push_back(ColumnsList->GetColumn(I)->GetTitle()->GetColor());
  WriteRowHead(ColumnsList, Backgrounds, nullptr);
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    TColumnTitleEh* Title = ColumnsList->GetColumn(I)->GetTitle();
    WriteCell(Title->GetAlignment(), Title->GetFont(), Title->GetColor(), Title->GetCaption(), Spacing());
  }
  WriteAnsiBytes("\\pard\\intbl\\row}\r\n");
}

// Multi-level titles: captions split at "|"; neighbouring columns with the same
// leading parts share one cell above them, and a caption with fewer parts
// reaches down to the caption row. An area's text stands in its top-left cell
// and the borders inside an area are left out.
void TDBGridEhExportAsRTF::WriteMultiTitle(TColumnsEhList* ColumnsList) {
  const Integer Cols = ColumnsList->Count();
  std::vector<std::vector<String>> Parts(static_cast<size_t>(Cols));
  size_t Depth = 1;
  for (Integer C = 0; C < Cols; ++C) {
    const String Caption = ColumnsList->GetColumn(C)->GetTitle()->GetCaption();
    size_t From = 0;
    for (;;) {
      const size_t Bar = Caption.find(u'|', From);
      Parts[size_t(C)].push_back(Caption.substr(From, Bar == String::npos ? String::npos : Bar - From));
      if (Bar == String::npos) break;
      From = Bar + 1;
    }
    Depth = std::max(Depth, Parts[size_t(C)].size());
  }
  // The area of cell (Row, C): its first and last column and row.
  struct TArea {
    Integer Left, Right, Top, Bottom;
    bool Leaf;
  };
  auto AreaOf = [&](size_t Row, Integer C) {
    const auto& P = Parts[size_t(C)];
    if (Row + 1 >= P.size()) return TArea{C, C, Integer(P.size() - 1), Integer(Depth - 1), true};
    auto SameGroup = [&](Integer Other) {
      const auto& Q = Parts[size_t(Other)];
      if (Row + 1 >= Q.size()) return false;
      for (size_t K = 0; K <= Row; ++K)
        if (Q[K] != P[K]) return false;
      return true;
    };
    Integer L = C, R = C;
    while (L > 0 && SameGroup(L - 1)) --L;
    while (R + 1 < Cols && SameGroup(R + 1)) ++R;
    Integer Top = Integer(Row);
    return TArea{L, R, Top, Integer(Row), false};
  };
  const Integer UpperSpacing = Integer(
      std::abs(std::llround(double(FDBGridEh->GetVTitleMargin()) / 2.0 / double(PixelsPerInch()) * 1440.0 - 20.0)));
  for (size_t Row = 0; Row < Depth; ++Row) {
    std::vector<TColor> Backgrounds;
    std::vector<TCellBorders> Borders;
    std::vector<TArea> Areas;
    for (Integer C = 0; C < Cols; ++C) {
      const TArea A = AreaOf(Row, C);
      Areas.push_back(A);
      Backgrounds.push_back(A.Leaf ? ColumnsList->GetColumn(C)->GetTitle()->GetColor() : FDBGridEh->GetFixedColor());
      Borders.push_back({C == A.Left, Integer(Row) == A.Top, Integer(Row) == A.Bottom, C == A.Right});
    }
    WriteRowHead(ColumnsList, Backgrounds, &Borders);
    for (Integer C = 0; C < Cols; ++C) {
      const TArea& A = Areas[size_t(C)];
      const bool Written = C == A.Left && Integer(Row) == A.Top;
      const String Text = Written ? Parts[size_t(C)][size_t(A.Leaf ? A.Top : Integer(Row))] : String();
      TFont* Font = A.Leaf ? ColumnsList->GetColumn(C)->GetTitle()->GetFont() : FDBGridEh->GetTitleFont();
      WriteCell(taCenter, Font, Backgrounds[size_t(C)], Text, UpperSpacing);
    }
    WriteAnsiBytes("\\pard\\intbl\\row}\r\n");
  }
}

void TDBGridEhExportAsRTF::WriteRecord(TColumnsEhList* ColumnsList) {
  // The backgrounds the grid's event gives go into the row head first.
  std::vector<TColor> Backgrounds;
  TFont ScratchFont;
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    TColumnEh* Column = ColumnsList->GetColumn(I);
    TColor Background = Column->GetColor();
    ScratchFont.Assign(Column->GetFont());
    if (FDBGridEh->OnGetCellParams) FDBGridEh->OnGetCellParams(FDBGridEh, Column, &ScratchFont, Background, {});
    Backgrounds.push_back(Background);
  }
  WriteRowHead(ColumnsList, Backgrounds, nullptr);
  TDBGridEhExport::WriteRecord(ColumnsList);
  WriteAnsiBytes("\\pard\\intbl\\row}\r\n");
}

void TDBGridEhExportAsRTF::WriteDataCell(TColumnEh*, TColCellParamsEh* Params) {
  WriteCell(Params->GetAlignment(), Params->GetFont(), Params->GetBackground(), Params->GetText(), Spacing());
}

void TDBGridEhExportAsRTF::WriteFooter(TColumnsEhList* ColumnsList, Integer FooterNo) {
  std::vector<TColor> Backgrounds;
  TFont ScratchFont;
  for (Integer I = 0; I < ColumnsList->Count(); ++I) {
    TColumnEh* Column = ColumnsList->GetColumn(I);
    TColumnFooterEh* Footer = Column->GetFooterForRow(FooterNo);
    TColor Background = Footer->GetColor();
    TAlignment Alignment = Footer->GetAlignment();
    String Text;
    ScratchFont.Assign(Footer->GetFont());
    FDBGridEh->GetFooterParams(Column->GetIndex(), FooterNo, Column, &ScratchFont, Background, Alignment, {}, Text);
    Backgrounds.push_back(Background);
  }
  WriteRowHead(ColumnsList, Backgrounds, nullptr);
  TDBGridEhExport::WriteFooter(ColumnsList, FooterNo);
  WriteAnsiBytes("\\pard\\intbl\\row}\r\n");
}

void TDBGridEhExportAsRTF::WriteFooterCell(Integer, Integer, TColumnEh*, TFont* AFont, TColor Background,
                                           TAlignment Alignment, const String& Text) {
  WriteCell(Alignment, AFont, Background, Text, Spacing());
}

void TDBGridEhExportAsRTF::WriteSuffix() { WriteAnsiBytes("}"); }

void TDBGridEhExportAsRTF::ExportToStream(TStream* Stream, bool IsExportAll) {
  FColorTable.clear();
  FFontTable.clear();
  ColorIndex(clBlack);
  ColorIndex(clWhite);
  ColorIndex(clBtnFace);
  TMemoryStream Body;
  TDBGridEhExport::ExportToStream(&Body, IsExportAll);
  FStream = Stream;
  std::string Head = "{\\rtf0\\ansi\r\n{\\colortbl";
  for (TColor Rgb : FColorTable)
    Head += "\\red" + Num(GetRValue(Rgb)) + "\\green" + Num(GetGValue(Rgb)) + "\\blue" + Num(GetBValue(Rgb)) + ";";
  Head += "}\r\n{\\fonttbl";
  for (size_t I = 0; I < FFontTable.size(); ++I)
    Head += "\\f" + Num(Int64(I)) + "\\fnil " + RtfEscaped(FFontTable[I]) + ";";
  Head += "}\r\n";
  Stream->WriteBuffer(Head.data(), Integer(Head.size()));
  if (Body.GetSize() > 0) Stream->WriteBuffer(Body.GetMemory(), Integer(Body.GetSize()));
}
