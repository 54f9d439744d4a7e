#include "ui/EditorPage.h"

#include "editor/EditorOcr.h"
#include "editor/EditorVM.h"
#include "editor/OcrResultWindowModel.h"
#include "editor/SimplifyReview.h"
#include "editor/SmartRedactReview.h"
#include "platform/NameTagger.h"
#include "ui/EditorCanvas.h"
#include "ui/OcrResultWindow.h"
#include "ui/SmartRedactSheet.h"
#include "ui/ToolPropertyPanel.h"

#include <QHBoxLayout>
#include <QPointer>

namespace mebo {

EditorPage::EditorPage(Services services, QWidget* parent) : QWidget(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("EditorPage"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    canvas_ = new EditorCanvas(this);
    layout->addWidget(canvas_, 1);
    panel_ = new ToolPropertyPanel(*services_.stamps, this);
    layout->addWidget(panel_);
    connect(panel_, &ToolPropertyPanel::smartRedactRequested, this, &EditorPage::smartRedact);
    connect(panel_, &ToolPropertyPanel::simplifyAutoRequested, this, &EditorPage::simplifyAuto);

    ocrModel_ = std::make_unique<OcrResultWindowModel>(services_.clipboard);
    // A window of its own (not a child): it stays open beside the main window.
    ocrWindow_ = new OcrResultWindow(*ocrModel_, nullptr);
}

EditorPage::~EditorPage() {
    delete sheet_;
    delete simplifySheet_;
    delete ocrWindow_;
}

void EditorPage::setEditor(std::shared_ptr<EditorVM> editor) {
    if (editor == editor_) {
        return;
    }
    delete sheet_; // it shows the review of the editor going away
    delete simplifySheet_;
    ocr_.reset();
    review_.reset();
    simplify_.reset();
    editor_ = std::move(editor);
    canvas_->setEditor(editor_);
    panel_->setEditor(editor_.get());
    if (!editor_) {
        return;
    }
    QPointer<EditorCanvas> canvas(canvas_);
    EditorOcr::RegionPicker picker = [canvas](std::function<void(const QRectF&)> picked) {
        if (!canvas) {
            return;
        }
        canvas->setFocus();
        canvas->pickRegion([picked = std::move(picked)](std::optional<QRectF> rect) {
            if (rect) {
                picked(*rect);
            }
        });
    };
    ocr_ = std::make_unique<EditorOcr>(*editor_, OcrSvc(services_.recognizer), *ocrModel_, services_.sound,
                                       std::move(picker));
    review_ =
        std::make_unique<SmartRedactReview>(*editor_, PIIDetector(services_.recognizer, services_.names));
    simplify_ = std::make_unique<SimplifyReview>(*editor_, SimplifyDetector(services_.recognizer));
}

void EditorPage::recognizeText() {
    if (ocr_) {
        ocr_->recognizeImage();
    }
}

void EditorPage::recognizeRegion() {
    if (ocr_) {
        ocr_->selectRegion();
    }
}

void EditorPage::smartRedact() {
    if (!review_) {
        return;
    }
    if (sheet_) {
        sheet_->deleteLater();
    }
    review_->scan();
    sheet_ = new SmartRedactSheet(*review_, window());
    sheet_->setAttribute(Qt::WA_DeleteOnClose);
    // The ticked items are outlined on the canvas while the review is open.
    QPointer<EditorCanvas> canvas(canvas_);
    SmartRedactReview* review = review_.get();
    connect(review, &SmartRedactReview::changed, sheet_, [canvas, review] {
        if (canvas) {
            QList<QRectF> boxes;
            for (const QRect& r : review->checkedBoxes()) {
                boxes << QRectF(r);
            }
            canvas->setMarkedBoxes(boxes);
        }
    });
    connect(sheet_, &QObject::destroyed, canvas_, [canvas] {
        if (canvas) {
            canvas->setMarkedBoxes({});
        }
    });
    sheet_->open();
}

void EditorPage::simplifyAuto() {
    if (!simplify_) {
        return;
    }
    if (simplifySheet_) {
        simplifySheet_->deleteLater();
    }
    simplify_->scan();
    simplifySheet_ = new ReviewSheet(*simplify_,
                                     ReviewSheet::Texts{QStringLiteral("Simplify Auto"),
                                                        QStringLiteral("Scanning for interface objects..."),
                                                        QStringLiteral("Cover the checked objects (Ctrl+Enter)")},
                                     window());
    simplifySheet_->setAttribute(Qt::WA_DeleteOnClose);
    simplifySheet_->open();
}

} // namespace mebo
