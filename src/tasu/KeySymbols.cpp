#include "KeySymbols.h"

namespace tasu {

namespace {

std::optional<uint32_t> keysymOf(Qt::Key key) {
    const int k = int(key);
    if (k >= Qt::Key_A && k <= Qt::Key_Z) {
        return uint32_t(k - Qt::Key_A + 'a'); // X binds the unshifted letter
    }
    if (k >= 0x20 && k <= 0x7e) {
        return uint32_t(k); // digits and punctuation share their ASCII code
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F35) {
        return uint32_t(0xffbe + (k - Qt::Key_F1));
    }
    switch (key) {
    case Qt::Key_Print:
        return 0xff61;
    case Qt::Key_Escape:
        return 0xff1b;
    case Qt::Key_Tab:
        return 0xff09;
    case Qt::Key_Backspace:
        return 0xff08;
    case Qt::Key_Return:
        return 0xff0d;
    case Qt::Key_Enter:
        return 0xff8d;
    case Qt::Key_Insert:
        return 0xff63;
    case Qt::Key_Delete:
        return 0xffff;
    case Qt::Key_Pause:
        return 0xff13;
    case Qt::Key_ScrollLock:
        return 0xff14;
    case Qt::Key_Home:
        return 0xff50;
    case Qt::Key_End:
        return 0xff57;
    case Qt::Key_Left:
        return 0xff51;
    case Qt::Key_Up:
        return 0xff52;
    case Qt::Key_Right:
        return 0xff53;
    case Qt::Key_Down:
        return 0xff54;
    case Qt::Key_PageUp:
        return 0xff55;
    case Qt::Key_PageDown:
        return 0xff56;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<X11Key> KeySymbols::fromQt(QKeyCombination combination) {
    const auto keysym = keysymOf(combination.key());
    if (!keysym) {
        return std::nullopt;
    }
    X11Key key{*keysym, 0};
    const Qt::KeyboardModifiers m = combination.keyboardModifiers();
    if (m.testFlag(Qt::ShiftModifier)) {
        key.modifiers |= shiftMask;
    }
    if (m.testFlag(Qt::ControlModifier)) {
        key.modifiers |= controlMask;
    }
    if (m.testFlag(Qt::AltModifier)) {
        key.modifiers |= mod1Mask;
    }
    if (m.testFlag(Qt::MetaModifier)) {
        key.modifiers |= mod4Mask;
    }
    return key;
}

} // namespace tasu
