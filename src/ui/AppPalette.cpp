#include "ui/AppPalette.h"

#include "app/Cfg.h"
#include "platform/ColorScheme.h"

#include <QApplication>

namespace mebo {

namespace {

struct Colours {
    QColor window, windowText, base, alternateBase, text, button, buttonText, light, midlight, mid, dark,
        shadow, highlight, highlightedText, link, linkVisited, toolTipBase, toolTipText, placeholder,
        disabledText, disabledButton, disabledHighlight;
};

QPalette build(const Colours& c) {
    QPalette p;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = g == QPalette::Disabled;
        p.setColor(g, QPalette::Window, c.window);
        p.setColor(g, QPalette::WindowText, disabled ? c.disabledText : c.windowText);
        p.setColor(g, QPalette::Base, disabled ? c.window : c.base);
        p.setColor(g, QPalette::AlternateBase, c.alternateBase);
        p.setColor(g, QPalette::Text, disabled ? c.disabledText : c.text);
        p.setColor(g, QPalette::Button, disabled ? c.disabledButton : c.button);
        p.setColor(g, QPalette::ButtonText, disabled ? c.disabledText : c.buttonText);
        p.setColor(g, QPalette::BrightText, Qt::white);
        p.setColor(g, QPalette::Light, c.light);
        p.setColor(g, QPalette::Midlight, c.midlight);
        p.setColor(g, QPalette::Mid, c.mid);
        p.setColor(g, QPalette::Dark, c.dark);
        p.setColor(g, QPalette::Shadow, c.shadow);
        p.setColor(g, QPalette::Highlight, disabled ? c.disabledHighlight : c.highlight);
        p.setColor(g, QPalette::HighlightedText, c.highlightedText);
        p.setColor(g, QPalette::Link, c.link);
        p.setColor(g, QPalette::LinkVisited, c.linkVisited);
        p.setColor(g, QPalette::ToolTipBase, c.toolTipBase);
        p.setColor(g, QPalette::ToolTipText, c.toolTipText);
        p.setColor(g, QPalette::PlaceholderText, c.placeholder);
    }
    return p;
}

} // namespace

QPalette AppPalette::light() {
    Colours c;
    c.window = QColor(0xf6, 0xf5, 0xf4);
    c.windowText = QColor(0x2e, 0x34, 0x36);
    c.base = QColor(0xff, 0xff, 0xff);
    c.alternateBase = QColor(0xf7, 0xf7, 0xf6);
    c.text = QColor(0x2e, 0x34, 0x36);
    c.button = QColor(0xf4, 0xf3, 0xf2);
    c.buttonText = QColor(0x2e, 0x34, 0x36);
    c.light = QColor(0xff, 0xff, 0xff);
    c.midlight = QColor(0xee, 0xed, 0xec);
    c.mid = QColor(0xcd, 0xc7, 0xc2);
    c.dark = QColor(0xa8, 0xa3, 0x9e);
    c.shadow = QColor(0x77, 0x76, 0x7b);
    c.highlight = QColor(0x35, 0x84, 0xe4);
    c.highlightedText = QColor(0xff, 0xff, 0xff);
    c.link = QColor(0x1a, 0x5f, 0xb4);
    c.linkVisited = QColor(0x61, 0x35, 0x83);
    c.toolTipBase = QColor(0x35, 0x35, 0x35);
    c.toolTipText = QColor(0xff, 0xff, 0xff);
    c.placeholder = QColor(0x92, 0x95, 0x95);
    c.disabledText = QColor(0x92, 0x95, 0x95);
    c.disabledButton = QColor(0xfa, 0xf9, 0xf8);
    c.disabledHighlight = QColor(0x9a, 0xb8, 0xe0);
    return build(c);
}

QPalette AppPalette::dark() {
    // Fields and lists are lighter than the window, as on dark desktop themes, so boxes and
    // edit fields keep a visible edge.
    Colours c;
    c.window = QColor(0x2b, 0x2b, 0x2b);
    c.windowText = QColor(0xee, 0xee, 0xec);
    c.base = QColor(0x36, 0x36, 0x36);
    c.alternateBase = QColor(0x3c, 0x3c, 0x3c);
    c.text = QColor(0xee, 0xee, 0xec);
    c.button = QColor(0x3d, 0x3d, 0x3d);
    c.buttonText = QColor(0xee, 0xee, 0xec);
    c.light = QColor(0x52, 0x52, 0x52);
    c.midlight = QColor(0x47, 0x47, 0x47);
    c.mid = QColor(0x24, 0x24, 0x24);
    c.dark = QColor(0x1c, 0x1c, 0x1c);
    c.shadow = QColor(0x0c, 0x0c, 0x0c);
    c.highlight = QColor(0x35, 0x84, 0xe4);
    c.highlightedText = QColor(0xff, 0xff, 0xff);
    c.link = QColor(0x78, 0xae, 0xed);
    c.linkVisited = QColor(0xc0, 0x61, 0xcb);
    c.toolTipBase = QColor(0x1f, 0x1f, 0x1f);
    c.toolTipText = QColor(0xee, 0xee, 0xec);
    c.placeholder = QColor(0x91, 0x91, 0x91);
    c.disabledText = QColor(0x7a, 0x7a, 0x7a);
    c.disabledButton = QColor(0x33, 0x33, 0x33);
    c.disabledHighlight = QColor(0x2a, 0x4f, 0x7c);
    return build(c);
}

bool AppPalette::usesDark(AppearanceMode mode, std::optional<bool> systemPrefersDark) {
    switch (mode) {
    case AppearanceMode::light:
        return false;
    case AppearanceMode::dark:
        return true;
    case AppearanceMode::system:
        return systemPrefersDark.value_or(false);
    }
    return false;
}

void AppPalette::apply(AppearanceMode mode, std::optional<bool> systemPrefersDark) {
    const QPalette palette = usesDark(mode, systemPrefersDark) ? dark() : light();
    QApplication::setPalette(palette);
    // The platform theme gives menus a palette of their own, which the application palette does
    // not replace: the tray menu would stay light in the dark appearance.
    QApplication::setPalette(palette, "QMenu");
}

void AppPalette::install(Cfg& cfg, platform::ColorScheme& scheme) {
    cfg.setAppearanceApplier([&scheme](AppearanceMode mode) {
        // The desktop is asked only when its answer matters.
        apply(mode, mode == AppearanceMode::system ? scheme.prefersDark() : std::nullopt);
    });
    scheme.setChangeHandler([&cfg](std::optional<bool> prefersDark) {
        if (cfg.appearanceMode() == AppearanceMode::system) {
            apply(AppearanceMode::system, prefersDark);
        }
    });
    const AppearanceMode mode = cfg.appearanceMode();
    apply(mode, mode == AppearanceMode::system ? scheme.prefersDark() : std::nullopt);
}

bool AppPalette::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor AppPalette::warningText(const QPalette& palette) {
    return isDark(palette) ? QColor(0xf6, 0xd3, 0x2d) : QColor(0x9c, 0x6e, 0x03);
}

QColor AppPalette::errorText(const QPalette& palette) {
    return isDark(palette) ? QColor(0xff, 0x7b, 0x63) : QColor(0xc0, 0x1c, 0x28);
}

QColor AppPalette::successText(const QPalette& palette) {
    return isDark(palette) ? QColor(0x8f, 0xf0, 0xa4) : QColor(0x26, 0xa2, 0x69);
}

} // namespace mebo
