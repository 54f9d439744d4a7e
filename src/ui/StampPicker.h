#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class QButtonGroup;
class QGridLayout;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace mebo {

class CustomStampMgr;

// The stamp palette: the built-in symbols by category, the user's imported images after them,
// and "Import Stamp..." to add one.
class StampPicker : public QWidget {
    Q_OBJECT
public:
    explicit StampPicker(CustomStampMgr& stamps, QWidget* parent = nullptr);

    // Marks the current stamp: the custom image when `customImagePath` is set, else `symbol`.
    void setCurrent(const QString& symbol, const std::optional<QString>& customImagePath);

    // Copies the image into the stamp store and chooses it. On failure answers false with the
    // reason in `error` and changes nothing.
    bool importFile(const QString& path, QString* error = nullptr);

    // The button of a palette symbol or of a custom stamp's image path (nullptr when unknown).
    QToolButton* symbolButton(const QString& symbol) const;
    QToolButton* customButton(const QString& imagePath) const;
    QPushButton* importButton() const { return import_; }

Q_SIGNALS:
    void symbolChosen(const QString& symbol);
    void customChosen(const QString& imagePath);

protected:
    void changeEvent(QEvent* event) override;

private:
    void rebuildIcons();
    void rebuildCustom();
    void chooseImport();
    QToolButton* makeButton(const QString& toolTip);

    CustomStampMgr& stamps_;
    QButtonGroup* group_;
    QVBoxLayout* layout_;
    QGridLayout* customGrid_ = nullptr;
    QWidget* customSection_ = nullptr;
    QPushButton* import_;
    QString symbol_;
    std::optional<QString> customPath_;
};

} // namespace mebo
