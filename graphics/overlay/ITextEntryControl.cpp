#include "graphics/overlay/ITextEntryControl.h"

#include <cmath>
#include <cstring>

#include "core/IParam.h"
#include "foundation/utf8.h"
#include "graphics/context/IGraphics.h"
#include "graphics/bases/IPopupMenu.h"

// The editing engine works on the control itself through its public text operations.
#define STB_TEXTEDIT_CHARTYPE char16_t
#define STB_TEXTEDIT_STRING plug::igraphics::ITextEntryControl
#define STB_TEXTEDIT_KEYTYPE unsigned int
#define STB_TEXTEDIT_UNDOSTATECOUNT 99
#define STB_TEXTEDIT_UNDOCHARCOUNT 999
#include <stb/stb_textedit.h>

namespace plug {
namespace igraphics {
namespace {

constexpr unsigned kSpecialKey = 0x80000000u;
constexpr unsigned kCtrlBit = 0x20000000u;
constexpr unsigned kAltBit = 0x10000000u;
constexpr unsigned kShiftBit = 0x40000000u;
constexpr unsigned kModifierBits = kSpecialKey | kCtrlBit | kAltBit | kShiftBit;
constexpr char32_t kInvalidChar = U'_';

void StbLayoutRow(StbTexteditRow* row, ITextEntryControl* c, int start)
{
  const ITextEntryControl::Row r = c->LayoutRow();
  row->x0 = r.x0;
  row->x1 = r.x1;
  row->baseline_y_delta = 1.25f;
  row->ymin = r.ymin;
  row->ymax = r.ymax;
  row->num_chars = start == 0 ? r.numChars : 0;
}

int StbKeyToText(unsigned key)
{
  if (key & kModifierBits)
    return -1;
  return key >= 0x20 && key <= 0xFFFF ? static_cast<int>(key) : -1;
}

/// One code point from the start of a UTF-8 text; an invalid sequence gives the underscore.
char32_t DecodeOne(const char* s, size_t len)
{
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  if (len == 0)
    return 0;
  if (b(0) < 0x80)
    return b(0);
  int extra = b(0) >= 0xF0 ? 3 : b(0) >= 0xE0 ? 2 : b(0) >= 0xC0 ? 1 : -1;
  if (extra < 0 || b(0) >= 0xF8 || static_cast<size_t>(extra) >= len)
    return kInvalidChar;
  char32_t c = b(0) & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i)
  {
    if ((b(static_cast<size_t>(i)) & 0xC0) != 0x80)
      return kInvalidChar;
    c = (c << 6) | (b(static_cast<size_t>(i)) & 0x3F);
  }
  return c;
}

std::u16string FromUTF8(const char* s)
{
  std::u16string out;
  const size_t n = s ? std::strlen(s) : 0;
  for (size_t i = 0; i < n;)
  {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    const size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t c = DecodeOne(s + i, n - i);
    i += std::min(len, n - i);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      c = kInvalidChar;
    if (c >= 0x10000)
    {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
    else
      out.push_back(static_cast<char16_t>(c));
  }
  return out;
}

std::string ToUTF8(const std::u16string& s, size_t from = 0, size_t to = std::u16string::npos)
{
  std::string out;
  to = std::min(to, s.size());
  for (size_t i = from; i < to; ++i)
  {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < to && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = kInvalidChar;
    foundation::AppendUTF8(out, c);
  }
  return out;
}

/// The right-click menu, built once for the program.
IPopupMenu& ClipboardMenu()
{
  static IPopupMenu menu("", 0, false, {"Cut", "Copy", "Paste"});
  return menu;
}

} // namespace
} // namespace igraphics
} // namespace plug

#define STB_TEXTEDIT_STRINGLEN(obj) ((obj)->TextLength())
#define STB_TEXTEDIT_LAYOUTROW(r, obj, n) plug::igraphics::StbLayoutRow(r, obj, n)
#define STB_TEXTEDIT_GETWIDTH(obj, n, i) ((obj)->CharWidth(i))
#define STB_TEXTEDIT_KEYTOTEXT(k) plug::igraphics::StbKeyToText(k)
#define STB_TEXTEDIT_GETCHAR(obj, i) ((obj)->CharAt(i))
#define STB_TEXTEDIT_NEWLINE u'\n'
#define STB_TEXTEDIT_IS_SPACE(ch) ((ch) == u' ' || (ch) == u'\t')
#define STB_TEXTEDIT_DELETECHARS(obj, i, n) ((obj)->DeleteChars(i, n))
#define STB_TEXTEDIT_INSERTCHARS(obj, i, c, n) ((obj)->InsertChars(i, c, n))
#define STB_TEXTEDIT_K_SHIFT 0x40000000u
#define STB_TEXTEDIT_K_LEFT 0x80000025u
#define STB_TEXTEDIT_K_RIGHT 0x80000027u
#define STB_TEXTEDIT_K_UP 0x80000026u
#define STB_TEXTEDIT_K_DOWN 0x80000028u
#define STB_TEXTEDIT_K_PGUP 0x80000021u
#define STB_TEXTEDIT_K_PGDOWN 0x80000022u
#define STB_TEXTEDIT_K_LINESTART 0x80000024u
#define STB_TEXTEDIT_K_LINEEND 0x80000023u
#define STB_TEXTEDIT_K_TEXTSTART (0x80000024u | 0x20000000u)
#define STB_TEXTEDIT_K_TEXTEND (0x80000023u | 0x20000000u)
#define STB_TEXTEDIT_K_WORDLEFT (0x80000025u | 0x20000000u)
#define STB_TEXTEDIT_K_WORDRIGHT (0x80000027u | 0x20000000u)
#define STB_TEXTEDIT_K_DELETE 0x8000002Eu
#define STB_TEXTEDIT_K_BACKSPACE 0x80000008u
#define STB_TEXTEDIT_K_UNDO 0x2000007Au
#define STB_TEXTEDIT_K_REDO 0x6000007Au
#define STB_TEXTEDIT_IMPLEMENTATION
#include <stb/stb_textedit.h>

namespace plug {
namespace igraphics {

struct ITextEntryControl::Engine
{
  STB_TexteditState mState;
};

ITextEntryControl::ITextEntryControl() : IControl(IRECT()), mEngine(std::make_unique<Engine>())
{
  stb_textedit_initialize_state(&mEngine->mState, 1);
  SetActionFunction([this](IControl*) {
    mDrawCursor = true;
    SetAnimation(
      [this](IControl*) {
        const double p = GetAnimationProgress();
        if (p > 0.5 && mDrawCursor)
        {
          mDrawCursor = false;
          SetDirty(false, -1);
        }
        if (p > 1.0)
          OnEndAnimation();
      },
      kBlinkMs);
  });
}

ITextEntryControl::~ITextEntryControl() = default;

template <typename Edit> void ITextEntryControl::CallEngine(Edit&& edit)
{
  const STB_TexteditState before = mEngine->mState;
  edit(&mEngine->mState);
  if (std::memcmp(&before, &mEngine->mState, sizeof(before)) != 0)
    SetDirty(false, -1);
}

void ITextEntryControl::CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                        const char* str)
{
  SetTargetAndDrawRectangles(bounds);
  mText = text;
  mText.mTextColor = text.mEntryTextColor;
  mEditString = FromUTF8(str);
  mEngine->mState.select_start = 0;
  mEngine->mState.select_end = TextLength();
  mEngine->mState.cursor = 0;
  MeasureCharWidths();
  SetDirty(true, -1);
  mEditing = true;
}

std::string ITextEntryControl::GetUTF8Text() const { return ToUTF8(mEditString); }
int ITextEntryControl::GetCursor() const { return mEngine->mState.cursor; }

void ITextEntryControl::GetSelection(int& start, int& end) const
{
  start = std::min(mEngine->mState.select_start, mEngine->mState.select_end);
  end = std::max(mEngine->mState.select_start, mEngine->mState.select_end);
}

float ITextEntryControl::MeasureWidth(const std::u16string& s) const
{
  IRECT r;
  if (mGraphics)
    mGraphics->MeasureText(mText, ToUTF8(s).c_str(), r);
  return r.W();
}

void ITextEntryControl::MeasureCharWidths()
{
  mCharWidths.clear();
  for (size_t i = 0; i < mEditString.size(); ++i)
  {
    // The pair's width less the previous character's, so kerning pairs are honoured.
    const std::u16string c(1, mEditString[i]);
    if (i == 0)
      mCharWidths.push_back(MeasureWidth(c));
    else
    {
      const std::u16string prev(1, mEditString[i - 1]);
      mCharWidths.push_back(MeasureWidth(prev + c) - MeasureWidth(prev));
    }
  }
}

float ITextEntryControl::CharWidth(int i)
{
  if (mCharWidths.size() != mEditString.size())
    MeasureCharWidths();
  return i >= 0 && static_cast<size_t>(i) < mCharWidths.size() ? mCharWidths[static_cast<size_t>(i)] : 0.f;
}

ITextEntryControl::Row ITextEntryControl::LayoutRow()
{
  float w = 0.f;
  for (int i = 0; i < TextLength(); ++i)
    w += CharWidth(i);
  const IRECT& r = mDrawRect;
  Row row{};
  switch (mText.mHAlign)
  {
  case kAlignNear: row.x0 = r.mLeft; break;
  case kAlignFar: row.x0 = r.mRight - w; break;
  default: row.x0 = r.CentreX() - w / 2.f; break;
  }
  row.x1 = row.x0 + w;
  switch (mText.mVAlign)
  {
  case kVAlignTop: row.ymin = 0.f; break;
  case kVAlignBottom: row.ymin = r.H() - mText.mSize; break;
  default: row.ymin = r.H() / 2.f - mText.mSize / 2.f; break;
  }
  row.ymax = row.ymin + mText.mSize;
  row.numChars = TextLength();
  return row;
}

void ITextEntryControl::DeleteChars(int pos, int num)
{
  mEditString.erase(static_cast<size_t>(pos), static_cast<size_t>(num));
  MeasureCharWidths();
}

bool ITextEntryControl::InsertChars(int pos, const char16_t* text, int num)
{
  mEditString.insert(static_cast<size_t>(pos), text, static_cast<size_t>(num));
  mEditString = FromUTF8(ToUTF8(mEditString).c_str());
  MeasureCharWidths();
  return true;
}

void ITextEntryControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!mDrawRect.Contains(x, y))
  {
    CommitEdit();
    return;
  }
  if (mod.mLeft)
    CallEngine([&](STB_TexteditState* s) { stb_textedit_click(this, s, x, y - mDrawRect.mTop); });
  else if (mod.mRight)
    OpenContextMenu(x, y);
}

void ITextEntryControl::OpenContextMenu(float x, float y)
{
  if (!mGraphics)
    return;
  IPopupMenu& menu = ClipboardMenu();
  menu.SetFunction([this](IPopupMenu* m) {
    switch (m->GetChosenItemIdx())
    {
    case 0: CutSelection(); break;
    case 1: CopySelection(); break;
    case 2: Paste(); break;
    default: break;
    }
  });
  mGraphics->OpenPopupMenu(*this, menu, IRECT(x, y, x, y), -1);
}

void ITextEntryControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (mod.mLeft)
    CallEngine([&](STB_TexteditState* s) { stb_textedit_drag(this, s, x, y - mDrawRect.mTop); });
}

void ITextEntryControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (!mod.mLeft)
    return;
  OnMouseDrag(x, y, 0.f, 0.f, mod);
  SetDirty(true, -1);
}

void ITextEntryControl::OnMouseDblClick(float x, float y, const IMouseMod& mod) { SelectAll(); }

void ITextEntryControl::SelectAll()
{
  CallEngine([&](STB_TexteditState* s) {
    s->select_start = 0;
    s->select_end = TextLength();
  });
}

bool ITextEntryControl::CharAllowed(char32_t c) const
{
  const IControl* requester = mGraphics ? mGraphics->GetTextEntryRequester() : nullptr;
  const int valIdx = mGraphics ? mGraphics->GetTextEntryValIdx() : -1;
  const IParam* p = requester && valIdx >= 0 ? requester->GetParam(valIdx) : nullptr;
  if (!p)
    return true;
  const bool digitOrSign = (c >= U'0' && c <= U'9') || c == U'+' || c == U'-';
  switch (p->Type())
  {
  case IParam::kTypeBool:
  case IParam::kTypeInt:
  case IParam::kTypeEnum: return digitOrSign;
  case IParam::kTypeDouble: return digitOrSign || c == U'.';
  default: return true;
  }
}

bool ITextEntryControl::OnKeyDown(float x, float y, const IKeyPress& key)
{
  if (key.mCtrl)
  {
    switch (key.mVirtualKey)
    {
    case kKeyA: SelectAll(); return true;
    case kKeyC: CopySelection(); return true;
    case kKeyV: Paste(); return true;
    case kKeyX: CutSelection(); return true;
    case kKeyZ:
      CallEngine([&](STB_TexteditState* s) {
        if (key.mShift)
          stb_text_redo(this, s);
        else
          stb_text_undo(this, s);
      });
      return true;
    default: break;
    }
  }

  unsigned code = static_cast<unsigned>(DecodeOne(key.mUtf8, std::strlen(key.mUtf8)));
  switch (key.mVirtualKey)
  {
  case kKeyBackspace:
  case kKeyPageUp:
  case kKeyPageDown:
  case kKeyEnd:
  case kKeyHome:
  case kKeyLeft:
  case kKeyUp:
  case kKeyRight:
  case kKeyDown:
  case kKeyDelete: code = static_cast<unsigned>(key.mVirtualKey) | kSpecialKey; break;
  case kKeyTab: return false;
  case kKeyReturn: CommitEdit(); break;
  case kKeyEscape: DismissEdit(); break;
  case kKeySpace: break;
  default:
    if (!mGraphics || !mGraphics->GetTextEntryRequester())
      return false;
    if (!CharAllowed(code))
      code = static_cast<unsigned>(key.mVirtualKey) | kSpecialKey;
    break;
  }
  if (key.mCtrl)
    code |= kCtrlBit;
  if (key.mAlt)
    code |= kAltBit;
  if (key.mShift)
    code |= kShiftBit;
  const STB_TexteditState before = mEngine->mState;
  CallEngine([&](STB_TexteditState* s) { stb_textedit_key(this, s, code); });
  return std::memcmp(&before, &mEngine->mState, sizeof(before)) != 0;
}

void ITextEntryControl::CopySelection()
{
  const STB_TexteditState& s = mEngine->mState;
  if (s.select_start == s.select_end || !mGraphics)
    return;
  const int a = std::min(s.select_start, s.select_end), b = std::max(s.select_start, s.select_end);
  mGraphics->SetTextInClipboard(ToUTF8(mEditString, static_cast<size_t>(a), static_cast<size_t>(b)).c_str());
}

void ITextEntryControl::CutSelection()
{
  CopySelection();
  CallEngine([&](STB_TexteditState* s) { stb_textedit_cut(this, s); });
}

void ITextEntryControl::Paste()
{
  LibString clip;
  if (!mGraphics || !mGraphics->GetTextFromClipboard(clip))
    return;
  // Pasted text passes the same filter as typed keys: a number field never takes letters by the clipboard.
  std::u16string text;
  for (char16_t c : FromUTF8(clip.Get()))
    if (CharAllowed(c))
      text.push_back(c);
  CallEngine([&](STB_TexteditState* s) { stb_textedit_paste(this, s, text.data(), static_cast<int>(text.size())); });
}

void ITextEntryControl::EndEdit()
{
  mEditing = false;
  mMouseIsOver = false;
  mDrawRect = mHitRect = IRECT();
  OnResize();
}

void ITextEntryControl::CommitEdit()
{
  if (!mEditing)
    return;
  EndEdit();
  if (mGraphics)
  {
    mGraphics->ApplyTextEntryResult(GetUTF8Text().c_str());
    mGraphics->SetAllControlsDirty();
  }
}

void ITextEntryControl::DismissEdit()
{
  if (!mEditing)
    return;
  EndEdit();
  if (mGraphics)
  {
    mGraphics->ClearTextEntryRequester();
    mGraphics->SetAllControlsDirty();
  }
}

void ITextEntryControl::OnEndAnimation()
{
  IControl::OnEndAnimation();
  if (mEditing)
    SetDirty(true, -1);
}

void ITextEntryControl::Draw(IGraphics& g)
{
  const IRECT& r = mDrawRect;
  g.FillRect(mText.mEntryBackColor, r);
  const Row row = LayoutRow();
  const float top = r.mTop + row.ymin + 0.1f * mText.mSize, bottom = r.mTop + row.ymax - 0.1f * mText.mSize;
  auto xAt = [&](int idx) {
    float x = row.x0;
    for (int i = 0; i < idx && i < TextLength(); ++i)
      x += CharWidth(i);
    return x;
  };
  int selStart = 0, selEnd = 0;
  GetSelection(selStart, selEnd);
  if (selStart != selEnd)
  {
    const IBlend faint(0, kSelectionWeight);
    g.FillRect(mText.mEntryTextColor, IRECT(xAt(selStart), top, xAt(selEnd), bottom), &faint);
  }
  g.DrawText(mText, GetUTF8Text().c_str(), r);
  if (selStart == selEnd && mDrawCursor)
  {
    const float x = xAt(GetCursor());
    g.FillRect(mText.mEntryTextColor, IRECT(std::round(x - 1.f), top, std::round(x), bottom));
  }
}

} // namespace igraphics
} // namespace plug
