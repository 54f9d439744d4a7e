#pragma once

#include "editor/OcrSvc.h"
#include "editor/PIIDetector.h"

#include "ui/SmartRedactSheet.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace mebo {

class CustomStampMgr;
class EditorCanvas;
class EditorOcr;
class EditorVM;
class OcrResultWindow;
class OcrResultWindowModel;
class SimplifyReview;
class SmartRedactReview;
class ToolPropertyPanel;
namespace platform {
class Clipboard;
class NameTagger;
class SoundPlayer;
class TextRecognizer;
} // namespace platform

// The image editor of the main window: the canvas with the open tool's property panel beside it,
// and what text recognition, Smart Redact and Simplify Auto need per open capture. The OCR result window is one
// for the process; the recognition state and the review are rebuilt for every editor, so a late
// answer for a capture that was switched away from is never applied to another. Main thread.
class EditorPage : public QWidget {
    Q_OBJECT
public:
    struct Services {
        std::shared_ptr<platform::TextRecognizer> recognizer; // null: recognition is unavailable
        std::shared_ptr<platform::NameTagger> names;
        platform::SoundPlayer* sound = nullptr;
        platform::Clipboard* clipboard = nullptr; // for "Copy All"
        CustomStampMgr* stamps = nullptr;
    };

    EditorPage(Services services, QWidget* parent = nullptr);
    ~EditorPage() override;

    void setEditor(std::shared_ptr<EditorVM> editor);
    EditorCanvas* canvas() const { return canvas_; }
    ToolPropertyPanel* panel() const { return panel_; }
    OcrResultWindow* ocrWindow() const { return ocrWindow_; }
    SmartRedactSheet* redactSheet() const { return sheet_; }
    ReviewSheet* simplifySheet() const { return simplifySheet_; }

    // "OCR Text Recognition": the whole capture.
    void recognizeText();
    // "Select Region...": the user drags a rectangle on the canvas first.
    void recognizeRegion();
    // The mosaic panel's "Smart Redact": scans, then shows the review sheet.
    void smartRedact();
    // The simplify panel's "Simplify Auto": scans, then shows the proposals to review.
    void simplifyAuto();

private:
    Services services_;
    EditorCanvas* canvas_ = nullptr;
    ToolPropertyPanel* panel_ = nullptr;
    std::unique_ptr<OcrResultWindowModel> ocrModel_;
    OcrResultWindow* ocrWindow_ = nullptr;
    std::shared_ptr<EditorVM> editor_;
    std::unique_ptr<EditorOcr> ocr_;
    std::unique_ptr<SmartRedactReview> review_;
    QPointer<SmartRedactSheet> sheet_;
    std::unique_ptr<SimplifyReview> simplify_;
    QPointer<ReviewSheet> simplifySheet_;
};

} // namespace mebo
