#pragma once

class QWidget;

namespace mebo {

// Which focused widgets take typed text: line edits, text views, editable combo boxes and spin
// boxes. The key monitors and the tool shortcuts both leave such widgets their keys.
class TextInputFocus {
public:
    // The widget that edits the text behind `focus` (an editable combo box's line edit, a spin
    // box's line edit, or the text widget itself); null when `focus` takes no text.
    static QWidget* inputOf(QWidget* focus);
};

} // namespace mebo
