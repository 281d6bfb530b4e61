#include "window/signal_view.h"

#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <memory>

#include "plot/signal_plot.h"

namespace kestrel {

SignalView::SignalView(QWidget* owner, QPlainTextEdit* box)
    : QWidget(owner, Qt::Window), box_(box) {
    setObjectName(QStringLiteral("signalView"));
    setWindowTitle(QStringLiteral("Kestrel signal"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(320, 160);
    resize(kPlotSize);
    connect(box_, &QPlainTextEdit::textChanged, this, &SignalView::Follow);
    Follow();
}

void SignalView::Follow() {
    // Codes are plain ASCII; anything else is no code, as the reader says.
    code_ = ReadProntoCode(box_->toPlainText().toLatin1().toStdString());
    setAccessibleDescription(SignalCaption(code_));
    update();
}

void SignalView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSignal(painter, rect(), code_);
}

void AddSignalViewEntry(QPlainTextEdit* box, QWidget* owner) {
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(box, &QWidget::customContextMenuRequested, box, [box, owner](QPoint at) {
        const std::unique_ptr<QMenu> menu(box->createStandardContextMenu(at));
        menu->addSeparator();
        QAction* entry = menu->addAction(QStringLiteral("Show signal\u2026"));
        QObject::connect(entry, &QAction::triggered, owner, [box, owner] {
            auto* view = owner->findChild<SignalView*>(QStringLiteral("signalView"),
                                                       Qt::FindDirectChildrenOnly);
            if (view == nullptr) view = new SignalView(owner, box);
            view->show();
            view->raise();
            view->activateWindow();
        });
        menu->exec(box->viewport()->mapToGlobal(at));
    });
}

}  // namespace kestrel
