// The folder popup's widgets on the offscreen platform: the size the panel is given, a grid that scrolls when
// it does not fit, live settings, launching and dismissing, the pin and close buttons, and the pixels of the
// plate, its margin and its arrow.
#include "popup/folder_popup_view.h"

#include "platform/gui/symbol_images.h"
#include "platform/gui/workspace_icons.h"
#include "platform/notification_center.h"
#include "platform/workspace.h"
#include "popup/popup_app_icon_view.h"
#include "settings/app_settings.h"
#include "support/helper_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/settings_harness.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <QAbstractButton>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace tessly {
namespace {

using namespace tessly::testing;

/// A solid square: an application's icon or a symbol.
class SquareImage final : public Image {
public:
    explicit SquareImage(QColor color) : m_color(color) {}
    [[nodiscard]] QSizeF size() const override { return {64, 64}; }
    void draw(QPainter& painter, const QRectF& target) const override { painter.fillRect(target, m_color); }

private:
    QColor m_color;
};

class StubIcons final : public WorkspaceIcons {
public:
    [[nodiscard]] ImagePtr iconForFile(const QString& path) const override {
        lookups.append(path);
        return std::make_shared<SquareImage>(QColor(0, 122, 255));
    }
    bool setIcon(const Image&, const QString&) override { return false; }
    mutable QStringList lookups;
};

class StubSymbols final : public SymbolImages {
public:
    [[nodiscard]] ImagePtr symbol(const QString&, double, SymbolWeight) const override {
        return std::make_shared<SquareImage>(Qt::black);
    }
};

/// Keeps each open and its completion, for the test to complete when and how it likes.
class PendingWorkspace final : public Workspace {
public:
    struct Open {
        QString path;
        OpenConfiguration configuration;
        OpenCompletion completion;
    };
    void openApplication(const QString& path, const OpenConfiguration& configuration,
                         OpenCompletion completion) override {
        opens.append({path, configuration, std::move(completion)});
    }
    [[nodiscard]] QList<RunningApplication> runningApplications() const override { return {}; }
    bool terminate(const RunningApplication&) override { return false; }

    QList<Open> opens;
};

class FolderPopupViewTest : public ::testing::Test, protected SettingsHarness {
protected:
    static AppFolder folder(int apps, QString name = QStringLiteral("Work")) {
        AppFolder f;
        f.id = QUuid::createUuid();
        f.name = std::move(name);
        for (int i = 0; i < apps; ++i) {
            // Bundle URLs end in a slash; the path opened and looked up does not.
            f.apps.append(AppItem{QUuid::createUuid(), QStringLiteral("App %1").arg(i), QString(),
                                  QUrl::fromLocalFile(QStringLiteral("/Applications/App %1.app/").arg(i))});
        }
        return f;
    }

    std::unique_ptr<FolderPopupView> make(int apps, DockEdge edge = DockEdge::bottom,
                                          QString name = QStringLiteral("Work"),
                                          std::optional<double> maximumHeight = std::nullopt) {
        return std::make_unique<FolderPopupView>(
            folder(apps, std::move(name)), edge, maximumHeight, [this] { ++dismissals; },
            [this](bool pinned) { pinReports.append(pinned); }, settings, icons, symbols, workspace, time,
            console);
    }

    /// Shows the view as its own window, so that clicks reach the child under the pointer.
    static void show(FolderPopupView& view) {
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    static QImage render(FolderPopupView& view) {
        QImage image(view.sizeHint(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }

    /// Clicks whatever child of the view is at `point` (view coordinates), as the pointer would.
    static void clickAt(FolderPopupView& view, const QPointF& point) {
        QWidget* target = view.childAt(point.toPoint());
        ASSERT_NE(target, nullptr) << "nothing at " << point.x() << "," << point.y();
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&view, point.toPoint()));
    }

    static QAbstractButton* button(FolderPopupView& view, const QRectF& rect) {
        return qobject_cast<QAbstractButton*>(view.childAt(rect.center().toPoint()));
    }

    AppSettings& settings = SettingsHarness::make();
    StubIcons icons;
    StubSymbols symbols;
    PendingWorkspace workspace;
    int dismissals = 0;
    QList<bool> pinReports;
};

TEST_F(FolderPopupViewTest, SizeHintIsThePanelSizeOfTheLayoutForEveryHeaderAndNameChoice) {
    settings.setPopupColumns(4);
    settings.setPopupIconSize(52);
    for (const PopupPosition position : {PopupPosition::center, PopupPosition::aboveDock}) {
        settings.setPopupPosition(position);
        const double arrowRoom = position == PopupPosition::aboveDock ? 16 : 0;
        // apps, columns, rows
        for (const auto& [apps, columns, rows] : {std::tuple{3, 3, 1}, {4, 4, 1}, {9, 4, 3}}) {
            SCOPED_TRACE(::testing::Message() << apps << " apps, position " << static_cast<int>(position));
            const double width = columns * 68 + (columns - 1) * 8 + 72;
            settings.setPopupShowTitle(false);
            settings.setPopupShowAppName(false);
            auto view = make(apps);
            // Without header and names nothing depends on the fonts: the margins, insets and icon rows.
            const double bare = 48 + 24 + rows * 52 + (rows - 1) * 12 + arrowRoom;
            EXPECT_EQ(view->sizeHint(), QSize(static_cast<int>(width), static_cast<int>(bare)));

            settings.setPopupShowAppName(true);
            view = make(apps);
            const double nameLine = view->layout().rowHeight - 52 - 5;
            EXPECT_GT(nameLine, 8);
            EXPECT_EQ(view->sizeHint(), QSize(static_cast<int>(width), qCeil(bare + rows * (5 + nameLine))));

            settings.setPopupShowTitle(true);
            view = make(apps);
            const double header = view->layout().headerRect.height();
            EXPECT_GE(header, 18 + 12 + 1);
            EXPECT_EQ(view->sizeHint(),
                      QSize(static_cast<int>(width), qCeil(bare + rows * (5 + nameLine) + header + 12)));
            // The cells' hit areas are the layout's slots.
            for (qsizetype i = 0; i < apps; ++i) {
                EXPECT_EQ(view->childAt(view->layout().cellRect(i).center().toPoint()), view->cells()[i]);
            }
        }
    }
}

TEST_F(FolderPopupViewTest, AnOpenPopupFollowsTheSettings) {
    settings.setPopupColumns(3);
    auto view = make(9);
    QSignalSpy shapeChanges(view.get(), &FolderPopupView::windowShapeChanged);
    const QSize before = view->sizeHint();
    EXPECT_EQ(before.width(), 3 * 68 + 16 + 72);

    settings.setPopupColumns(5);
    EXPECT_EQ(view->sizeHint().width(), 5 * 68 + 32 + 72);
    EXPECT_LT(view->sizeHint().height(), before.height()) << "two rows instead of three";

    settings.setPopupIconSize(64);
    EXPECT_EQ(view->sizeHint().width(), 5 * 80 + 32 + 72);

    const QSize withTitle = view->sizeHint();
    settings.setPopupShowTitle(false);
    EXPECT_LT(view->sizeHint().height(), withTitle.height());
    EXPECT_TRUE(view->headerLayout().closeRect.isEmpty());
    EXPECT_GE(shapeChanges.count(), 3);
    // Icons are fetched once per cell, by the path of the application, whatever changes.
    EXPECT_EQ(icons.lookups.size(), 9);
    EXPECT_EQ(icons.lookups.front(), QStringLiteral("/Applications/App 0.app"));
}

/// The cells made, and of those the ones shown.
std::pair<qsizetype, qsizetype> madeAndShown(const FolderPopupView& view) {
    qsizetype made = 0;
    qsizetype shown = 0;
    for (const PopupAppIconView* cell : view.cells()) {
        made += cell ? 1 : 0;
        shown += cell && cell->isVisibleTo(&view) ? 1 : 0;
    }
    return {made, shown};
}

/// Turns the wheel over `widget` by `angle` (a notch is 120, negative towards the user); whether it took it.
/// (What it leaves goes to its parent only when the window system sends it.)
bool turnWheel(QWidget& widget, int angle) {
    const QPointF at = QRectF(widget.rect()).center();
    QWheelEvent wheel(at, widget.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &wheel);
    return wheel.isAccepted();
}

TEST_F(FolderPopupViewTest, AFolderTallerThanItsRoomShowsWhatFitsAndReadsIconsOnlyNearTheRowsShown) {
    settings.setPopupColumns(5);
    settings.setPopupIconSize(48);
    auto view = make(5000, DockEdge::bottom, QStringLiteral("Work"), 700);
    const PopupLayout& layout = view->layout();
    ASSERT_EQ(layout.columns, 5);
    ASSERT_TRUE(layout.scrolls());
    EXPECT_LE(view->sizeHint().height(), 700);
    EXPECT_GT(view->sizeHint().height(), 700 - layout.rowPitch()) << "as many rows as fit";
    const qsizetype shownRows = layout.shownRowCount;
    // The rows shown and the one under them, and not one icon more.
    EXPECT_EQ(madeAndShown(*view), std::make_pair((shownRows + 1) * 5, shownRows * 5));
    EXPECT_EQ(icons.lookups.size(), (shownRows + 1) * 5);
    EXPECT_TRUE(view->scrollBar()->isVisibleTo(view.get()));
    EXPECT_EQ(view->scrollBar()->geometry(), layout.scrollBarRect.toRect());
    EXPECT_EQ(view->scrollBar()->maximum(), layout.maximumFirstRow());

    // Scrolled to the end, the last application sits in the last row shown, where the pointer finds it.
    view->scrollToRow(100'000);
    EXPECT_EQ(view->firstShownRow(), layout.maximumFirstRow());
    EXPECT_EQ(view->scrollBar()->value(), layout.maximumFirstRow());
    const QPointF up(0, -static_cast<double>(view->firstShownRow()) * layout.rowPitch());
    const QRectF last = layout.cellRect(4999).translated(up);
    EXPECT_EQ(last.bottom(), layout.gridRect.bottom());
    EXPECT_EQ(view->childAt(last.center().toPoint()), view->cells()[4999]);
    EXPECT_EQ(view->cells()[0], nullptr) << "let go far out of view";
    EXPECT_EQ(madeAndShown(*view), std::make_pair((shownRows + 1) * 5, shownRows * 5)) << "the row above";
    EXPECT_EQ(icons.lookups.size(), 2 * (shownRows + 1) * 5);

    // A folder that fits its room is shown whole, without a scroll bar.
    auto small = make(9, DockEdge::bottom, QStringLiteral("Work"), 700);
    EXPECT_FALSE(small->layout().scrolls());
    EXPECT_EQ(small->scrollBar(), nullptr);
    EXPECT_EQ(small->sizeHint(), make(9)->sizeHint());
}

TEST_F(FolderPopupViewTest, TheGridScrollsByRowsWithTheWheelTheScrollBarAndTheKeyboardFocus) {
    settings.setPopupColumns(5);
    auto view = make(500, DockEdge::bottom, QStringLiteral("Work"), 600);
    show(*view);
    const PopupLayout& layout = view->layout();
    const qsizetype shown = layout.shownRowCount;
    ASSERT_GE(shown, 2);

    // A cell leaves the wheel to the grid under it. A notch scrolls a row; a touchpad's small steps add up to
    // one.
    EXPECT_FALSE(turnWheel(*view->cells()[0], -120));
    EXPECT_TRUE(turnWheel(*view, -120));
    EXPECT_EQ(view->firstShownRow(), 1);
    EXPECT_EQ(view->scrollBar()->value(), 1);
    turnWheel(*view, -60);
    EXPECT_EQ(view->firstShownRow(), 1);
    turnWheel(*view, -60);
    EXPECT_EQ(view->firstShownRow(), 2);
    turnWheel(*view, 3 * 120);
    EXPECT_EQ(view->firstShownRow(), 0) << "up past the top stays at the top";
    turnWheel(*view, -120);
    EXPECT_EQ(view->firstShownRow(), 1) << "and turns past the top are not stored up";

    // The scroll bar moves the grid, and the cells come with it.
    view->scrollBar()->setValue(40);
    EXPECT_EQ(view->firstShownRow(), 40);
    ASSERT_NE(view->cells()[40 * 5], nullptr);
    EXPECT_EQ(view->childAt(layout.gridRect.topLeft().toPoint() + QPoint(32, 10)), view->cells()[40 * 5]);

    // The keyboard focus moving to a cell out of view scrolls it in: down from the last row shown, Tab past
    // the last cell, up above the first row.
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    const qsizetype lastShown = (40 + shown) * 5 - 1;
    view->cells()[lastShown]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(view->cells()[lastShown], Qt::Key_Down);
    ASSERT_NE(view->cells()[lastShown + 5], nullptr);
    EXPECT_TRUE(view->cells()[lastShown + 5]->hasFocus());
    EXPECT_EQ(view->firstShownRow(), 41);
    QTest::keyClick(view->cells()[lastShown + 5], Qt::Key_Tab);
    EXPECT_TRUE(view->cells()[lastShown + 6]->hasFocus());
    EXPECT_EQ(view->firstShownRow(), 42);
    view->cells()[42 * 5]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(view->cells()[42 * 5], Qt::Key_Up);
    EXPECT_TRUE(view->cells()[41 * 5]->hasFocus());
    EXPECT_EQ(view->firstShownRow(), 41);
    QTest::keyClick(view->cells()[41 * 5], Qt::Key_Backtab);
    EXPECT_TRUE(view->cells()[41 * 5 - 1]->hasFocus());
    EXPECT_EQ(view->firstShownRow(), 40);

    // Return opens the focused application.
    QTest::keyClick(view->cells()[41 * 5 - 1], Qt::Key_Return);
    ASSERT_EQ(workspace.opens.size(), 1);
    EXPECT_EQ(workspace.opens[0].path, QStringLiteral("/Applications/App %1.app").arg(41 * 5 - 1));
}

TEST_F(FolderPopupViewTest, ALaunchOpensTheApplicationActivatedAndDismissesOnlyAfterSuccess) {
    auto view = make(4);
    show(*view);
    clickAt(*view, view->layout().cellRect(2).center());
    ASSERT_EQ(workspace.opens.size(), 1);
    EXPECT_EQ(workspace.opens[0].path, QStringLiteral("/Applications/App 2.app"));
    EXPECT_TRUE(workspace.opens[0].configuration.activates);
    EXPECT_FALSE(workspace.opens[0].configuration.createsNewApplicationInstance);
    EXPECT_EQ(dismissals, 0) << "not before the workspace reports";

    workspace.opens[0].completion(std::nullopt);
    EXPECT_EQ(dismissals, 0) << "the completion only queues the dismissal";
    time.runDue();
    EXPECT_EQ(dismissals, 1);

    // A failed launch leaves the popup open.
    clickAt(*view, view->layout().cellRect(0).center());
    ASSERT_EQ(workspace.opens.size(), 2);
    workspace.opens[1].completion(QStringLiteral("The application could not be opened"));
    time.runDue();
    EXPECT_EQ(dismissals, 1);
    EXPECT_EQ(time.pendingCount(), 0u);

    // A completion for a popup that has closed meanwhile does nothing.
    clickAt(*view, view->layout().cellRect(3).center());
    ASSERT_EQ(workspace.opens.size(), 3);
    view.reset();
    workspace.opens[2].completion(std::nullopt);
    time.runDue();
    EXPECT_EQ(dismissals, 1);
}

TEST_F(FolderPopupViewTest, AFailedLaunchSaysWhyAndLeavesThePopupOpenForAnotherTry) {
    RecordingWorkspace recording(time);
    recording.openError = QStringLiteral("The executable lies outside its bundle.");
    FolderPopupView view(
        folder(3), DockEdge::bottom, std::nullopt, [this] { ++dismissals; }, [](bool) {}, settings, icons,
        symbols, recording, time, console);
    show(view);
    clickAt(view, view.layout().cellRect(1).center());
    ASSERT_EQ(recording.opens.size(), 1);
    EXPECT_TRUE(console.lines.isEmpty()) << "not before the workspace reports";
    time.runDue();
    EXPECT_EQ(console.lines, QStringList({"[FolderPopupView] Failed to launch /Applications/App 1.app: "
                                          "The executable lies outside its bundle."}));
    EXPECT_EQ(dismissals, 0);
    EXPECT_TRUE(view.isVisible());

    recording.openError.reset();
    clickAt(view, view.layout().cellRect(2).center());
    time.runDue();
    EXPECT_EQ(dismissals, 1) << "another application opens, and the popup closes";
    EXPECT_EQ(console.lines.size(), 1);
}

TEST_F(FolderPopupViewTest, PinKeepsThePopupOpenAfterALaunchButNotAgainstTheCloseButton) {
    settings.setPopupPosition(PopupPosition::center);
    auto view = make(3);
    show(*view);
    ASSERT_TRUE(view->showsPinButton());
    QAbstractButton* pin = button(*view, view->headerLayout().pinRect);
    ASSERT_NE(pin, nullptr);

    clickAt(*view, view->headerLayout().pinRect.center());
    EXPECT_TRUE(view->isPinned());
    EXPECT_EQ(pinReports, QList<bool>{true});
    EXPECT_TRUE(pin->isChecked()) << "assistive technology hears the pinned state";

    // What assistive technology says of the buttons and cells.
    view->setButtonNames("Закрити", "Закріпити");
    EXPECT_EQ(pin->accessibleName(), "Закріпити");
    EXPECT_EQ(button(*view, view->headerLayout().closeRect)->accessibleName(), "Закрити");
    EXPECT_EQ(view->cells()[1]->accessibleName(), view->cells()[1]->toolTip());
    EXPECT_FALSE(view->cells()[1]->accessibleName().isEmpty());

    clickAt(*view, view->layout().cellRect(1).center());
    ASSERT_EQ(workspace.opens.size(), 1);
    workspace.opens[0].completion(std::nullopt);
    time.runDue();
    EXPECT_EQ(dismissals, 0) << "a pinned popup stays after a launch";

    clickAt(*view, view->headerLayout().closeRect.center());
    EXPECT_EQ(dismissals, 1) << "the close button closes a pinned popup too";

    clickAt(*view, view->headerLayout().pinRect.center());
    EXPECT_FALSE(view->isPinned());
    EXPECT_EQ(pinReports, (QList<bool>{true, false}));

    // The close button's hit area is its circle: a click in its frame's corner closes nothing.
    const QRectF close = view->headerLayout().closeRect;
    clickAt(*view, (close.topLeft() + QPointF(1, 1)));
    EXPECT_EQ(dismissals, 1);
}

TEST_F(FolderPopupViewTest, AboveTheDockThereIsNoPinButton) {
    settings.setPopupPosition(PopupPosition::aboveDock);
    auto view = make(3);
    EXPECT_TRUE(view->headerLayout().pinRect.isEmpty());
    EXPECT_EQ(button(*view, view->headerLayout().closeRect) != nullptr, true);
    settings.setPopupPosition(PopupPosition::center);
    EXPECT_NE(button(*view, view->headerLayout().pinRect), nullptr);
}

TEST_F(FolderPopupViewTest, ALongNameIsCutAndNeverWidensThePopup) {
    const QSize plain = make(3)->sizeHint();
    auto view = make(3, DockEdge::bottom, QString(200, QLatin1Char('W')));
    EXPECT_EQ(view->sizeHint(), plain);
    EXPECT_TRUE(view->elidedTitle().endsWith(QChar(0x2026)));
    EXPECT_LT(view->elidedTitle().size(), 200);
    EXPECT_LT(view->headerLayout().titleRect.right(), view->headerLayout().closeRect.left());
}

// Names from a hand-edited folder file or another application's bundle: shown without the characters that
// would reorder them ("report<RLO>fdp.exe" reading "reportexe.pdf") or break their line.
TEST_F(FolderPopupViewTest, NamesAreShownWithoutDirectionalOverridesOrLineBreaks) {
    settings.setPopupShowTitle(true);
    settings.setPopupShowAppName(true);
    AppFolder f = folder(4, QStringLiteral("a\u202Ebc\nd"));
    f.apps[0].name = QStringLiteral("\u2067Mail\u2069\u200F");
    FolderPopupView view(
        f, DockEdge::bottom, std::nullopt, [] {}, [](bool) {}, settings, icons, symbols, workspace, time,
        console);
    EXPECT_EQ(view.elidedTitle(), QStringLiteral("abc d"));
    ASSERT_EQ(view.cells().size(), 4);
    EXPECT_EQ(view.cells()[0]->accessibleName(), QStringLiteral("Mail"));
    EXPECT_EQ(view.cells()[0]->toolTip(), QStringLiteral("Mail"));
}

TEST_F(FolderPopupViewTest,
       OverACompositorTheMarginIsTransparentAndTheArrowIsWhereTheShapeSaysWithShadowsBelow) {
    settings.setPopupPosition(PopupPosition::aboveDock);
    settings.setPopupArrowOffset(40);
    auto view = make(4);
    view->setCompositorIsRunning(true);
    const QImage image = render(*view);
    const int w = image.width();
    const int h = image.height();
    for (const QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)}) {
        EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << corner.x() << "," << corner.y();
    }
    const QRectF plate = view->layout().plateRect;
    const int plateAlpha =
        qAlpha(image.pixel(QPoint(static_cast<int>(plate.left()) + 30, static_cast<int>(plate.top()) + 6)));
    EXPECT_NEAR(plateAlpha, 255 * kPopupThinMaterialStrength * 0.95, 12);
    EXPECT_FALSE(view->blurRegion().isEmpty());

    // The tip touches the plate's bottom 40 points right of the middle; under the middle there is no arrow.
    const int tipY = static_cast<int>(plate.bottom()) - 3;
    const int tipX = static_cast<int>(plate.center().x()) + 40;
    EXPECT_GT(qAlpha(image.pixel(tipX, tipY)), plateAlpha * 3 / 4);
    EXPECT_LT(qAlpha(image.pixel(static_cast<int>(plate.center().x()), tipY)), plateAlpha / 2);
    // Shadows fall into the margin, more below than above.
    const int below =
        qAlpha(image.pixel(static_cast<int>(plate.left()) + 60, static_cast<int>(plate.bottom()) + 6));
    const int above =
        qAlpha(image.pixel(static_cast<int>(plate.left()) + 60, static_cast<int>(plate.top()) - 6));
    EXPECT_GT(below, above);
    EXPECT_GT(above, 0);

    // A left Dock: the tip on the plate's left side, 40 points below its middle.
    auto side = make(4, DockEdge::left);
    side->setCompositorIsRunning(true);
    const QImage sideImage = render(*side);
    const QRectF sidePlate = side->layout().plateRect;
    EXPECT_GT(qAlpha(sideImage.pixel(static_cast<int>(sidePlate.left()) + 3,
                                     static_cast<int>(sidePlate.center().y()) + 40)),
              plateAlpha * 3 / 4);
    EXPECT_LT(qAlpha(sideImage.pixel(static_cast<int>(sidePlate.left()) + 3,
                                     static_cast<int>(sidePlate.center().y()))),
              plateAlpha / 2);
}

// The offset the panel publishes as a popup opens places its arrow at once; once the popup is on screen, a
// new offset (the popup moved while open) slides the arrow there.
TEST_F(FolderPopupViewTest, TheArrowOfAnOpeningPopupIsPlacedAndOnlyAnOpenOneSlides) {
    settings.setPopupPosition(PopupPosition::aboveDock);
    settings.setPopupArrowOffset(-90); // where the last popup had it
    auto view = make(4);
    settings.setPopupArrowOffset(40);
    EXPECT_EQ(view->arrowOffset(), 40) << "not drawn yet: no slide from where the last popup had its arrow";

    (void)render(*view);
    settings.setPopupArrowOffset(-20);
    EXPECT_EQ(view->arrowOffset(), 40) << "on screen: the arrow starts where it is";
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->arrowOffset() == -20; }, 5000));
}

TEST_F(FolderPopupViewTest, WithoutACompositorThePlateIsOpaqueAndTheMaskCutsAwayTheMargin) {
    settings.setPopupPosition(PopupPosition::aboveDock);
    auto view = make(4);
    view->setCompositorIsRunning(false);
    const QImage image = render(*view);
    const QRectF plate = view->layout().plateRect;
    const QPoint inside(static_cast<int>(plate.left()) + 30, static_cast<int>(plate.top()) + 6);
    EXPECT_EQ(qAlpha(image.pixel(inside)), 255);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_TRUE(view->blurRegion().isEmpty());

    const QRegion mask = view->opaqueMask();
    EXPECT_TRUE(mask.contains(inside));
    EXPECT_TRUE(
        mask.contains(QPoint(static_cast<int>(plate.center().x()), static_cast<int>(plate.bottom()) - 2)))
        << "the arrow's tip";
    EXPECT_FALSE(mask.contains(QPoint(static_cast<int>(plate.left()) + 1, static_cast<int>(plate.top()) + 1)))
        << "the rounded corner";
    EXPECT_FALSE(mask.contains(QPoint(5, 5)));
    // Every pixel the mask lets through is opaque: nothing blends with black.
    for (const QRect& r : mask) {
        for (const QPoint p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            ASSERT_EQ(qAlpha(image.pixel(p)), 255) << p.x() << "," << p.y();
        }
    }
}

TEST_F(FolderPopupViewTest, TheSpringPresentationSettlesAndNoneShowsAtOnce) {
    auto view = make(3);
    view->setCompositorIsRunning(true);
    show(*view);
    EXPECT_TRUE(view->isPresented());
    EXPECT_FALSE(view->isPresentationSettledForTesting());
    EXPECT_NE(view->graphicsEffect(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->isPresentationSettledForTesting(); }, 5000));
    EXPECT_EQ(view->graphicsEffect(), nullptr);

    settings.setPopupAnimationStyle(PopupAnimation::none);
    auto still = make(3);
    still->setCompositorIsRunning(true);
    show(*still);
    EXPECT_TRUE(still->isPresented());
    EXPECT_TRUE(still->isPresentationSettledForTesting());
    EXPECT_EQ(still->graphicsEffect(), nullptr);
}

TEST(PopupAppearanceTest, TheThreeMaterialsDifferAndOnlyACompositorMakesThemTranslucent) {
    QList<PopupMaterial> translucent;
    QList<PopupMaterial> opaque;
    for (const PopupBlur style : {PopupBlur::thin, PopupBlur::regular, PopupBlur::dark}) {
        translucent.append(popupMaterial(style, 1.0, AppThemeMode::light, true));
        opaque.append(popupMaterial(style, 1.0, AppThemeMode::light, false));
    }
    EXPECT_LT(translucent[0].fill.alphaF() + 0.1, translucent[1].fill.alphaF());
    EXPECT_LT(translucent[1].fill.alphaF() + 0.05, translucent[2].fill.alphaF());
    for (const PopupMaterial& material : opaque) {
        EXPECT_FALSE(material.translucent);
        EXPECT_EQ(material.fill.alpha(), 255);
    }
    EXPECT_NE(opaque[0].fill, opaque[1].fill);
    EXPECT_NE(opaque[1].fill, opaque[2].fill);
    EXPECT_NEAR(popupMaterial(PopupBlur::regular, 0.5, AppThemeMode::dark, true).fill.alphaF(),
                kPopupRegularMaterialStrength * 0.5, 0.01);
    EXPECT_LT(popupMaterial(PopupBlur::thin, 1, AppThemeMode::dark, false).fill.lightness(),
              popupMaterial(PopupBlur::thin, 1, AppThemeMode::light, false).fill.lightness());
}

TEST(PopupAppearanceTest, ThePresentationSpringOvershootsALittleAndSettles) {
    double peak = 0;
    for (int ms = 0; ms <= 500; ms += 5) {
        peak = std::max(peak, popupSpringProgress(ms / 1000.0, kPopupSpringResponse, kPopupSpringDamping));
    }
    EXPECT_EQ(popupSpringProgress(0, kPopupSpringResponse, kPopupSpringDamping), 0);
    EXPECT_GT(peak, 1.01);
    EXPECT_LT(peak, 1.1);
    EXPECT_NEAR(popupSpringProgress(kPopupSpringDuration, kPopupSpringResponse, kPopupSpringDamping), 1,
                0.01);
    EXPECT_LE(popupSpringProgress(0.3, 0.2, 1.0), 1.0) << "a critically damped spring never overshoots";
}

} // namespace
} // namespace tessly
