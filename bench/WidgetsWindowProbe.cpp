// The least Tovi's window can cost in Qt Widgets, for bench/window.sh to read it against: a
// tray icon whose click opens (and a second click closes) a window with the same parts and
// texts as Tovi's signed-in window — header with the team and the menu button, search field, two machines
// with their spaces, the status row, Refresh and Upgrade — in the Fusion style and the symbol
// font Tovi uses. It is built on the first click, as Tovi builds its window. bench/window.sh
// measures it beside Tovi in the same session, by the same trace lines:
// "tovi-trace: click MS" on the click, "tovi-trace: frame MS" once the window's first paint
// after showing is done.
#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QStyleFactory>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

void milestone(const char* what) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::fprintf(stderr, "tovi-trace: %s %.3f\n", what, double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1.0e6);
    std::fflush(stderr);
}

class ProbeWindow : public QWidget {
public:
    bool awaitingFrame = false;

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        if (!awaitingFrame)
            return;
        awaitingFrame = false;
        // The children paint after their parent: the frame is whole once this pass is over.
        QTimer::singleShot(0, this, [] { milestone("frame"); });
    }
};

QLabel* label(const QString& text, qreal pointSize, bool bold = false, const QColor& color = {}) {
    auto* l = new QLabel;
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    QFont f = l->font();
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    l->setFont(f);
    if (color.isValid()) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, color);
        l->setPalette(p);
    }
    return l;
}

QLabel* symbol(const QString& family, char16_t code, int size) {
    auto* l = new QLabel(QString(QChar(code)));
    l->setFont(QFont(family, size));
    l->setFixedWidth(size + 6);
    return l;
}

QFrame* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    return line;
}

ProbeWindow* buildWindow(const QString& symbols) {
    auto* window = new ProbeWindow;
    window->setWindowTitle(QStringLiteral("Tovi — Analytical Engines"));
    window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window->setFixedWidth(340);
    auto* column = new QVBoxLayout(window);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    auto* mark = new QLabel;
    QPixmap markPixmap(28, 28);
    markPixmap.fill(QColor(0x2f, 0x6f, 0xeb));
    mark->setPixmap(markPixmap);
    header->addWidget(mark);
    header->addWidget(label(QStringLiteral("Analytical Engines"), 11, true), 1);
    auto* menuButton = new QToolButton;
    menuButton->setText(QString(QChar(u'\ue5d3')));
    menuButton->setFont(QFont(symbols, 16));
    menuButton->setAutoRaise(true);
    menuButton->setToolTip(QStringLiteral("Account"));
    header->addWidget(menuButton);
    column->addLayout(header);
    column->addWidget(divider());

    auto* search = new QLineEdit;
    search->setPlaceholderText(QStringLiteral("Search spaces"));
    search->setFrame(false);
    search->setTextMargins(30, 6, 8, 6);
    column->addWidget(search);
    column->addWidget(divider());

    auto* list = new QWidget;
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    const struct {
        const char* machine;
        const char* name;
        const char* status;
        char16_t glyph;
    } spaces[] = {
        {"studio", "terminal", "cargo build --release (312/540 crates)", u'\ue8b0'},
        {nullptr, "docs-site", "Ready", u'\ue894'},
        {nullptr, "postgres", "Stopped", u'\ue875'},
        {nullptr, "review-agent", "Waiting for your approval", u'\ue56b'},
        {"laptop", "notebook", "Idle", u'\ue56b'},
        {nullptr, "scratch", "Status unavailable", u'\ue56b'},
        {nullptr, "api-gateway", "Disk 92% full", u'\ue56b'},
        {nullptr, "ml-train", "Training Epochs", u'\ue56b'},
    };
    for (const auto& space : spaces) {
        if (space.machine) {
            auto* node = new QHBoxLayout;
            node->setContentsMargins(12, 8, 12, 8);
            node->addWidget(label(QStringLiteral("●"), 7, false, QColor(0x2e, 0xa0, 0x43)));
            node->addWidget(label(QString::fromUtf8(space.machine), 9, false, Qt::gray), 1);
            rows->addLayout(node);
            rows->addWidget(divider());
        }
        auto* row = new QHBoxLayout;
        row->setContentsMargins(12, 6, 12, 6);
        row->addWidget(symbol(symbols, space.glyph, 16));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        texts->addWidget(label(QString::fromUtf8(space.name), 10));
        texts->addWidget(label(QString::fromUtf8(space.status), 9, false, Qt::gray));
        row->addLayout(texts, 1);
        row->addWidget(label(QStringLiteral("●"), 10, false, QColor(0x2e, 0xa0, 0x43)));
        auto* rowWidget = new QWidget;
        rowWidget->setLayout(row);
        rowWidget->setToolTip(QString::fromUtf8(space.name));
        rows->addWidget(rowWidget);
        rows->addWidget(divider());
    }
    auto* scroller = new QScrollArea;
    scroller->setWidget(list);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFixedHeight(400);
    column->addWidget(scroller);

    auto* status = new QHBoxLayout;
    status->setContentsMargins(12, 8, 12, 4);
    status->addStretch(1);
    status->addWidget(label(QStringLiteral("● Service running"), 8));
    status->addWidget(label(QStringLiteral("|  0.9.0  |"), 8, false, Qt::gray));
    status->addWidget(label(QStringLiteral("2/3 Nodes"), 8));
    status->addWidget(symbol(symbols, u'\ue7f4', 12));
    status->addWidget(label(QStringLiteral("3"), 8));
    column->addLayout(status);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 4, 12, 12);
    buttons->addStretch(1);
    buttons->addWidget(new QPushButton(QStringLiteral("Refresh")));
    buttons->addWidget(new QPushButton(QStringLiteral("Upgrade")));
    column->addLayout(buttons);
    return window;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // The style Tovi's window draws its controls in.
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QPixmap mark(22, 22);
    mark.fill(Qt::darkGray);
    QSystemTrayIcon tray{QIcon(mark)};
    tray.setToolTip(QStringLiteral("Widgets probe"));
    tray.show();

    QString symbols;
    ProbeWindow* window = nullptr;
    QObject::connect(&tray, &QSystemTrayIcon::activated, &app, [&](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger)
            return;
        milestone("click");
        if (window && window->isVisible()) {
            window->hide();
            return;
        }
        if (!window) {
            // Loaded on the first open, as Tovi loads its symbol font with its window.
            const int id = QFontDatabase::addApplicationFont(
                QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"));
            symbols = QFontDatabase::applicationFontFamilies(id).value(0);
            window = buildWindow(symbols);
        }
        window->awaitingFrame = true;
        const QRect icon = tray.geometry();
        window->move(std::max(0, icon.right() - 340), icon.bottom() + 4);
        window->show();
        window->activateWindow();
    });

    // Tovi's poll, as the idle baseline has it.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&app] {
        auto* process = new QProcess(&app);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        process->start(QStringLiteral("/bin/true"), {});
    });
    poll.start(5000);
    return app.exec();
}
