#include "app/MenuWindow.h"

#include "BuildConfig.h"
#include "app/WindowModule.h"
#include "app/WindowPlacement.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QLibrary>
#include <QQuickWindow>
#include <QScreen>

#include <cstdio>
#include <ctime>

namespace tovi {

namespace {

// How long after a focus-loss close a tray click still counts as "close", not "reopen".
constexpr qint64 kToggleGraceMs = 400;
// How long after opening a focus loss is taken for the opening click's aftermath.
constexpr qint64 kOpeningFocusGraceMs = 500;

double monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1.0e6;
}

// Developer aid for the window benchmark: timestamps of an open request and of the frame
// that answers it, on the monotonic clock.
void trace(const char* what) {
    std::fprintf(stderr, "tovi-trace: %s %.3f\n", what, monotonicMs());
    std::fflush(stderr);
}

// The window module sits in lib/tovi/ beside the bin/ folder of the executable, in the build
// tree and in an installed or AppImage layout alike. Once loaded it stays: the engine and the
// window it built live until the application quits.
struct LoadedModule {
    CreateWindowFunction create = nullptr;
    QString error; // why it could not be loaded, in the loader's words
};

const LoadedModule& windowModule() {
    static const LoadedModule loaded = [] {
        QLibrary module(QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                        QStringLiteral("/../lib/tovi/") + QLatin1String(kWindowModuleName)));
        LoadedModule result;
        result.create = reinterpret_cast<CreateWindowFunction>(module.resolve(kCreateWindowSymbol));
        if (!result.create) {
            result.error = module.errorString();
            std::fprintf(stderr, "tovi: %s\n", qPrintable(result.error));
        }
        return result;
    }();
    return loaded;
}

// A broken installation is the only way here; say so where the user looks, not just on stderr.
QString loadFailure(const QString& reason) {
    return QStringLiteral("Tovi's window could not be opened: %1. Reinstalling Tovi should repair it.")
        .arg(reason);
}

} // namespace

MenuWindow::MenuWindow(Mode mode, std::function<QVariantMap()> properties, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_properties(std::move(properties))
    , m_traceFirstFrame(qEnvironmentVariableIntValue("TOVI_TRACE_FIRST_FRAME") == 1) {}

MenuWindow::~MenuWindow() {
    // The engine (a child of this object) owns the window; both go now, while the view models
    // they are bound to still exist.
    qDeleteAll(findChildren<QObject*>(Qt::FindDirectChildrenOnly));
}

QQuickWindow* MenuWindow::window() const {
    // Only the window module creates it, and always as a QQuickWindow.
    return static_cast<QQuickWindow*>(m_window.data());
}

bool MenuWindow::isVisible() const {
    return m_window && m_window->isVisible();
}

bool MenuWindow::ensureCreated() {
    if (m_window)
        return true;

    const CreateWindowFunction create = windowModule().create;
    if (!create) {
        Q_EMIT failed(loadFailure(windowModule().error));
        return false;
    }
    if (m_traceFirstFrame)
        trace("module-loaded");
    // Developers can point at the source folder to try QML changes without a rebuild; a
    // release build never loads its window from anywhere but its own resources.
    const QString qmlDir = build::developerSwitches ? qEnvironmentVariable("TOVI_QML_DIR") : QString();
    m_window = create(this, m_properties ? m_properties() : QVariantMap{},
                      qmlDir.isEmpty() ? QUrl(QStringLiteral("qrc:/qml/Tovi/Window/Main.qml"))
                                       : QUrl::fromLocalFile(qmlDir + QStringLiteral("/Main.qml")));
    if (!m_window) {
        std::fprintf(stderr, "tovi: the window could not be loaded\n");
        Q_EMIT failed(loadFailure(QStringLiteral("its layout did not load")));
        return false;
    }
    if (m_traceFirstFrame)
        trace("window-created");

    if (m_mode == Mode::dropDown)
        m_window->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    else
        m_window->setFlags(Qt::Window);

    connect(m_window, &QWindow::activeChanged, this, &MenuWindow::onActiveChanged);
    // The height follows the content; keep the window hanging from the same edge.
    connect(m_window, &QWindow::heightChanged, this, [this] {
        if (m_window->isVisible())
            place();
    });
    connect(m_window, &QWindow::visibleChanged, this, [this](bool visible) {
        if (visible)
            Q_EMIT shown();
        else
            Q_EMIT hidden();
    });
    // By name: Qt Quick's own signal, and this side of the window does not link Qt Quick.
    connect(m_window, SIGNAL(frameSwapped()), this, SLOT(onFrameSwapped()));
    return true;
}

void MenuWindow::onFrameSwapped() {
    if (m_awaitingFirstFrame) {
        m_awaitingFirstFrame = false;
        trace("frame");
    }
}

void MenuWindow::show(QRect iconGeometry) {
    if (isVisible()) {
        m_window->raise();
        m_window->requestActivate();
        return;
    }
    if (m_traceFirstFrame) {
        trace(m_window ? "open-warm" : "open-cold");
        m_awaitingFirstFrame = true;
    }
    if (!ensureCreated())
        return;
    m_iconGeometry = iconGeometry;
    if (m_mode == Mode::dropDown)
        place();
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
    m_sinceShown.invalidate();
}

void MenuWindow::hide() {
    if (m_window)
        m_window->hide();
}

void MenuWindow::toggle(QRect iconGeometry) {
    if (isVisible()) {
        hide();
        return;
    }
    if (m_sinceFocusLossClose.isValid() && m_sinceFocusLossClose.elapsed() < kToggleGraceMs) {
        m_sinceFocusLossClose.invalidate();
        return;
    }
    show(iconGeometry);
}

void MenuWindow::onActiveChanged() {
    if (!m_window || !m_window->isVisible())
        return;
    if (m_window->isActive()) {
        if (!m_sinceShown.isValid())
            m_sinceShown.start();
        return;
    }
    if (m_mode != Mode::dropDown)
        return;
    // The click that opened the window can still move the focus around just after the window
    // got it (a panel without a window manager takes it on button release); no reason to close.
    if (m_sinceShown.isValid() && m_sinceShown.elapsed() < kOpeningFocusGraceMs) {
        m_window->requestActivate();
        return;
    }
    m_sinceFocusLossClose.start();
    m_window->hide();
}

void MenuWindow::place() {
    WindowPlacementInput input;
    input.iconGeometry = m_iconGeometry;
    input.windowSize = m_window->size();
    input.compositorPlaces = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!input.compositorPlaces && !(m_iconGeometry.isValid() && !m_iconGeometry.isEmpty()))
        input.cursor = QCursor::pos();

    QScreen* screen = nullptr;
    if (m_iconGeometry.isValid() && !m_iconGeometry.isEmpty())
        screen = QGuiApplication::screenAt(m_iconGeometry.center());
    if (!screen && input.cursor)
        screen = QGuiApplication::screenAt(*input.cursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    input.availableGeometry = screen->availableGeometry();

    if (const auto topLeft = placeWindow(input)) {
        m_window->setScreen(screen);
        m_window->setPosition(*topLeft);
    }
}

} // namespace tovi
