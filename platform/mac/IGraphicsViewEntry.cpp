// The view's native popup menus and text entry.
#include "core/IEditorDelegate.h"
#include "graphics/context/IGraphics.h"
#include "platform/mac/IGraphicsMac.h"
#include "platform/mac/IGraphicsMenu.h"
#include "platform/mac/IGraphicsTextField.h"
#include "platform/mac/IGraphicsView.h"

namespace plug {
namespace igraphics {

namespace {

/// The menu opens this far below the rectangle it belongs to.
constexpr double kMenuOffset = 4.0;

appkit::DeviceColor DeviceColorOf(const IColor& c)
{
  return {c.mRed / 255.0, c.mGreen / 255.0, c.mBlue / 255.0, c.mAlpha / 255.0};
}

} // namespace

IPopupMenu* IGraphicsView_vDrovik_vst::createPopupMenu(IPopupMenu& menu, const appkit::Rect& bounds)
{
  IGraphicsMenuRcvr_vDrovik_vst receiver;
  IGraphicsMenu_vDrovik_vst nsMenu(menu, receiver);
  const appkit::Point at{bounds.origin.x, bounds.origin.y + bounds.size.height + kMenuOffset};
  appkit::Application::Shared().PopUpMenu(nsMenu, at, *mNative);
  appkit::MenuItem* chosen = receiver.menuItem();
  auto* holder = chosen ? dynamic_cast<IGraphicsMenu_vDrovik_vst*>(chosen->GetMenu()) : nullptr;
  IPopupMenu* model = holder ? holder->iPopupMenu() : nullptr;
  const int idx = holder ? holder->IndexOfItem(chosen) : -1;
  if (!model || idx < 0)
    return nullptr;
  model->SetChosenItemIdx(idx);
  return model;
}

void IGraphicsView_vDrovik_vst::createTextEntry(int paramIdx, const IText& text, const char* str, int length,
                                                const appkit::Rect& bounds)
{
  if (!mGraphics)
    return;
  // The open field's text belongs to the control that opened it: commit it before another opens.
  if (mTextFieldView)
    ControlTextDidEndEditing();

  mTextFieldView = std::make_unique<IGraphicsTextField_vDrovik_vst>();
  ++mTextFieldSerial;
  mTextFieldView->mRequester = mGraphics->TextEntryRequester();
  mTextFieldView->mValIdx = mGraphics->TextEntryValIdx();
  appkit::TextField& field = mTextFieldView->mField;
  field.frame = bounds;
  field.centreVertically = text.mVAlign == kVAlignMiddle;
  field.drawsBackground = true;

  // A style without a font name is drawn in the default text style.
  field.fontFamily = text.mFontName[0] ? text.mFontName : IText::kDefaultFont;
  const float size = text.mFontName[0] ? text.mSize : IText::kDefaultSize;
  field.fontSize = size * mGraphics->GetDrawScale() * EntryEmRatio(field.fontFamily.c_str());

  switch (text.mHAlign)
  {
  case kAlignNear: field.alignment = appkit::TextAlignment::kLeft; break;
  case kAlignCenter: field.alignment = appkit::TextAlignment::kCenter; break;
  case kAlignFar: field.alignment = appkit::TextAlignment::kRight; break;
  default: break;
  }

  IGEditorDelegate* delegate = mGraphics->GetDelegate();
  const IParam* param = paramIdx >= 0 && delegate ? delegate->GetParam(paramIdx) : nullptr;
  if (param)
  {
    auto formatter = std::make_shared<IGraphicsFormatter_vDrovik_vst>();
    formatter->setAcceptableCharacterSet(IGraphicsFormatter_vDrovik_vst::CharactersForParamType(param->Type()));
    formatter->setMaximumLength(length);
    field.formatter = formatter;
  }

  field.textColor = DeviceColorOf(text.mEntryTextColor);
  field.backgroundColor = DeviceColorOf(text.mEntryBackColor);
  field.stringValue = appkit::UTF32FromUTF8(str ? str : "");
  field.bordered = false;
  field.delegate = this;
  mNative->AddTextField(field);
}

void IGraphicsView_vDrovik_vst::ControlTextDidEndEditing()
{
  if (!mTextFieldView)
    return;
  const std::string text = mTextFieldView->mField.StringValueUTF8();
  if (IGraphicsMac* graphics = mGraphics)
  {
    graphics->ApplyTextEntryFor(mTextFieldView->mRequester, mTextFieldView->mValIdx, text.c_str());
    graphics->SetAllControlsDirty();
  }
  endUserInput();
}

bool IGraphicsView_vDrovik_vst::textFieldKey(const IKeyPress& key, bool isUp)
{
  if (!mTextFieldView)
    return false;
  if (isUp)
    return true;
  /// Virtual keys that edit the field.
  constexpr int kBackspace = 8, kTab = 9, kReturn = 13, kKeypadEnter = 0x800D;
  constexpr int kEnd = 35, kHome = 36, kLeft = 37, kRight = 39, kDelete = 46;
  using FieldKey = appkit::TextField::Key;
  appkit::TextField& field = mTextFieldView->mField;
  const std::u32string chars = appkit::UTF32FromUTF8(key.mUtf8);
  const char32_t letter = chars.size() == 1 ? chars[0] : key.mVirtualKey >= 'A' && key.mVirtualKey <= 'Z' ? char32_t(key.mVirtualKey) : 0;
  appkit::Application& app = appkit::Application::Shared();
  if (key.mVirtualKey == kReturn || key.mVirtualKey == kKeypadEnter || key.mVirtualKey == kTab)
    field.EndEditing();
  else if (key.mVirtualKey == kBackspace)
    field.PressKey(FieldKey::kBackspace, false);
  else if (key.mVirtualKey == kDelete)
    field.PressKey(FieldKey::kForwardDelete, false);
  else if (key.mVirtualKey == kLeft || key.mVirtualKey == kRight || key.mVirtualKey == kHome || key.mVirtualKey == kEnd)
    field.PressKey(key.mVirtualKey == kLeft ? FieldKey::kLeft : key.mVirtualKey == kRight ? FieldKey::kRight
                   : key.mVirtualKey == kHome ? FieldKey::kHome : FieldKey::kEnd, key.mShift);
  else if (key.mCtrl && letter) // a paste may wait for the clipboard's owner while the field closes
    appkit::EditWithPasteboard(
      [this, serial = mTextFieldSerial] {
        return mTextFieldView && mTextFieldSerial == serial ? &mTextFieldView->mField : nullptr;
      },
      letter, [&](std::string& text) { return app.StringFromPasteboard(text); },
      [&](const std::string& text) { return app.SetPasteboardString(text); });
  else if (chars.size() == 1)
    field.InsertCharacter(chars[0]);
  mNative->TextFieldChanged();
  return true;
}

const appkit::TextField* IGraphicsView_vDrovik_vst::OpenTextField() const
{
  return mTextFieldView ? &mTextFieldView->mField : nullptr;
}

void IGraphicsView_vDrovik_vst::endUserInput()
{
  if (!mTextFieldView)
    return;
  // However the field closes, the control that asked for it no longer waits for text: while it is still
  // named the requester, the graphics context drops every drag.
  if (mGraphics && mGraphics->GetTextEntryRequester() == mTextFieldView->mRequester)
    mGraphics->ClearTextEntryRequester();
  mTextFieldView->mField.delegate = nullptr;
  mNative->RemoveTextField();
  mTextFieldView.reset();
}

} // namespace igraphics
} // namespace plug
