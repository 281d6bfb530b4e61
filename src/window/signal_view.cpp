#include "window/signal_view.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <memory>
#include <utility>

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

void SignalView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {

// Shift+F10 and the Menu key open the box's menu at the text cursor. Some
// window systems turn the Menu key into a menu request of their own just
// before the key itself; the menu then opens once.
class MenuKeys : public QObject {
  public:
    explicit MenuKeys(QPlainTextEdit* box) : QObject(box), box_(box) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ContextMenu &&
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            requested_ = true;
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool menuKey = key->key() == Qt::Key_Menu;
            if (menuKey || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
                if (!(menuKey && std::exchange(requested_, false))) {
                    // At the text cursor, or amid the box when it is scrolled away.
                    const QRect shown = box_->viewport()->rect();
                    const QPoint cursor = box_->cursorRect().center();
                    emit box_->customContextMenuRequested(shown.contains(cursor) ? cursor
                                                                                 : shown.center());
                }
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QPlainTextEdit* box_;
    bool requested_ = false;
};

}  // namespace

void AddSignalViewEntry(QPlainTextEdit* box, QWidget* owner, std::function<void(QMenu&)> more) {
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    box->installEventFilter(new MenuKeys(box));
    QObject::connect(box, &QWidget::customContextMenuRequested, box, [box, owner, more](QPoint at) {
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
        if (more) more(*menu);
        menu->exec(box->viewport()->mapToGlobal(at));
    });
}

}  // namespace kestrel
