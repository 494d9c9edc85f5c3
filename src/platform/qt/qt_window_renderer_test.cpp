#include "platform/qt/qt_window_renderer.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDateTimeEdit>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>

#include "platform/qt/drawn_view_widget.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/live_run_loop.h"
#include "testing/qt/test_screen.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

// Fontconfig keeps its caches to the end of the process, which the leak
// checker of the sanitizer builds would report for every window test here.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vigilix::platform {
namespace {

// What the renderer sent back, one line per call.
class RecordedInput final : public WindowInput {
 public:
  void mouseDown(std::uint64_t, Point p) override { add("down", p); }
  void mouseUp(std::uint64_t, Point p) override { add("up", p); }
  void keyDown(std::uint64_t, const Event& key) override {
    calls.push_back("key " + std::to_string(key.keyCode) + " " + key.characters);
  }
  void scrollWheel(std::uint64_t, Point p, double deltaY) override {
    add(("wheel " + std::to_string(static_cast<int>(deltaY))).c_str(), p);
  }
  void closeButton(std::uint64_t) override { calls.push_back("close"); }
  void chooseDate(std::uint64_t, std::uint64_t view, Date date) override {
    calls.push_back("date " + std::to_string(view) + " " +
                    std::to_string(static_cast<long long>(date.timeIntervalSince1970())));
  }
  void scrollTo(std::uint64_t, std::uint64_t view, double offset) override {
    calls.push_back("scroll " + std::to_string(view) + " " +
                    std::to_string(static_cast<int>(offset)));
  }
  void chooseRow(std::uint64_t, std::uint64_t view, std::size_t row) override {
    calls.push_back("row " + std::to_string(view) + " " + std::to_string(row));
  }
  void chooseFiles(std::uint64_t, std::vector<std::string> paths) override {
    std::string line = "files";
    for (const auto& path : paths) line += " " + path;
    calls.push_back(line);
  }
  void dropFiles(std::uint64_t, Point p, std::vector<std::string> paths) override {
    std::string line = "drop";
    for (const auto& path : paths) line += " " + path;
    add(line.c_str(), p);
  }
  void frameChanged(std::uint64_t, Point topLeft, Size size) override {
    frames.push_back(Rect(topLeft, size));
  }
  void chooseMenuItem(std::uint64_t menu, std::uint64_t item) override {
    calls.push_back("menu " + std::to_string(menu) + " chose " + std::to_string(item));
  }
  void menuDidClose(std::uint64_t menu) override {
    calls.push_back("menu " + std::to_string(menu) + " closed");
  }
  std::vector<std::string> calls;
  std::vector<Rect> frames;

 private:
  void add(const char* what, Point p) {
    calls.push_back(std::string(what) + " " + std::to_string(static_cast<int>(p.x)) + "," +
                    std::to_string(static_cast<int>(p.y)));
  }
};

RenderedView view(std::uint64_t id, RenderedView::Kind kind, Rect frame, std::string text) {
  RenderedView v;
  v.id = id;
  v.kind = kind;
  v.frame = frame;
  v.text = std::move(text);
  return v;
}

RenderedWindow window(std::vector<RenderedView> views) {
  RenderedWindow w;
  w.id = 1;
  w.title = "Panel";
  w.contentSize = Size{300, 200};
  w.closable = true;
  w.views = std::move(views);
  return w;
}

class QtWindowRendererTest : public ::testing::Test {
 protected:
  QtWindowRendererTest() {
    testing::useOffscreenScreen();
    renderer.reset(dynamic_cast<QtWindowRenderer*>(
        makeQtWindowRenderer(input, DescriptorSources::main(), DispatchQueue::main())));
  }
  RenderedWindowWidget& shown() { return *renderer->widgetFor(1); }

  RecordedInput input;
  std::unique_ptr<QtWindowRenderer> renderer;
};

TEST_F(QtWindowRendererTest, EachViewKindBecomesItsWidgetWithItsAccessibleText) {
  struct Row {
    const char* name;
    RenderedView view;
    const char* widgetClass;
    QAccessible::Role role;
    std::string accessibleName;
  };
  RenderedView field = view(2, RenderedView::Kind::TextField, Rect(10, 40, 60, 22), "12");
  field.accessibilityLabel = "Hours";
  RenderedView box = view(2, RenderedView::Kind::CheckBox, Rect(10, 130, 160, 18), "Dim");
  box.checked = true;
  const Row rows[] = {
      {"button", view(2, RenderedView::Kind::Button, Rect(10, 10, 80, 21), "Start"), "QPushButton",
       QAccessible::Button, "Start"},
      {"check box", box, "QCheckBox", QAccessible::CheckBox, "Dim"},
      {"editable field", field, "QLineEdit", QAccessible::EditableText, "Hours"},
      {"label, never read as markup",
       view(2, RenderedView::Kind::Label, Rect(10, 70, 200, 16), "<b>Ready</b>"), "QLabel",
       QAccessible::StaticText, "<b>Ready</b>"},
      {"date picker", view(2, RenderedView::Kind::DatePicker, Rect(10, 100, 160, 22), ""),
       "QDateTimeEdit", QAccessible::SpinBox, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    renderer->show(window({row.view}));
    QWidget* widget = shown().widgetFor(2);
    ASSERT_TRUE(widget);
    EXPECT_STREQ(widget->metaObject()->className(), row.widgetClass);
    EXPECT_EQ(
        widget->geometry(),
        QRect(static_cast<int>(row.view.frame.minX()), static_cast<int>(row.view.frame.minY()),
              static_cast<int>(row.view.frame.width()), static_cast<int>(row.view.frame.height())));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    EXPECT_EQ(accessible->role(), row.role);
    if (!row.accessibleName.empty()) {
      EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), row.accessibleName);
    }
    renderer->close(1);
  }
}

TEST_F(QtWindowRendererTest, APlacedPanelOpensOnAScreenAndTheUsersMovesGoBack) {
  // The offscreen platform's one screen.
  ASSERT_EQ(renderer->screens(), (RenderedScreens{800, {Rect(0, 0, 1280, 800)}}));
  struct Row {
    const char* name;
    std::optional<Point> origin;
    std::optional<QPoint> opened;
  };
  const Row rows[] = {
      {"placed on the screen", Point{100, 50}, QPoint(100, 50)},
      {"partly off the right edge", Point{1180, 50}, QPoint(980, 50)},
      {"kept on a screen that is gone", Point{3000, -400}, QPoint(980, 0)},
      {"not placed: where the toolkit puts it", std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RenderedWindow w = window({});
    w.origin = row.origin;
    renderer->show(w);
    if (row.opened) {
      EXPECT_EQ(shown().frameGeometry().topLeft(), *row.opened);
      // Moved onto the screen: the model hears where it is.
      const bool moved =
          row.opened != QPoint(static_cast<int>(row.origin->x), static_cast<int>(row.origin->y));
      EXPECT_EQ(input.frames,
                moved ? std::vector<Rect>{Rect(row.opened->x(), row.opened->y(), 300, 200)}
                      : std::vector<Rect>{});
      input.frames.clear();
    }
    // The model's own change of size, animated or not, is not sent back.
    w.contentSize = Size{300, 260};
    renderer->show(w);
    w.contentSize = Size{300, 220};
    w.animateResize = true;
    renderer->show(w);
    QTRY_COMPARE(shown().size(), QSize(300, 220));
    EXPECT_TRUE(input.frames.empty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(input.frames.empty());
    shown().move(120, 80);  // as the window manager does for the user's drag
    QTRY_COMPARE(input.frames.size(), 1u);
    EXPECT_EQ(input.frames.front(), Rect(120, 80, 300, 220));
    renderer->close(1);
    input.frames.clear();
  }
}

// Drops at (120, 70) of the window as the desktop's drag sends them.
void dropOn(QWidget& window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(120, 70), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return;
  QDropEvent drop(QPointF(120, 70), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
}

TEST_F(QtWindowRendererTest, InputGoesBackInWindowCoordinates) {
  struct Row {
    const char* name;
    std::function<void(RenderedWindowWidget&)> act;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {"a click on a button, at its centre",
       [](auto& w) { QTest::mouseClick(w.widgetFor(2), Qt::LeftButton); },
       {"down 49,20", "up 49,20"}},
      {"typing into a field is the model's to apply",
       [](auto& w) { QTest::keyClicks(w.widgetFor(3), "a"); },
       {"key 65535 a"}},
      {"Shift-Tab is Tab with Shift",
       [](auto& w) { QTest::keyClick(w.widgetFor(3), Qt::Key_Backtab); },
       {"key 48 \t"}},
      {"a wheel notch down scrolls 40 points",
       [](auto& w) {
         QWheelEvent wheel(QPointF(30, 50), QPointF(30, 50), QPoint(), QPoint(0, -120),
                           Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(w.widgetFor(3), &wheel);
       },
       {"wheel 40 40,90"}},
      {"the close button asks the model", [](auto& w) { w.close(); }, {"close"}},
      {"dropped files go back as local paths",
       [](auto& w) {
         dropOn(w, {QUrl::fromLocalFile("/tmp/a.desktop"), QUrl("https://x/")});
       },
       {"drop /tmp/a.desktop 120,70"}},
      {"a drop of no file is refused", [](auto& w) { dropOn(w, {QUrl("https://x/")}); }, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    input.calls.clear();
    renderer->show(window({view(2, RenderedView::Kind::Button, Rect(10, 10, 80, 21), "Start"),
                           view(3, RenderedView::Kind::TextField, Rect(10, 40, 60, 22), "")}));
    row.act(shown());
    EXPECT_EQ(input.calls, row.calls);
    EXPECT_EQ(static_cast<QLineEdit*>(shown().widgetFor(3))->text(), "");
    renderer->close(1);
  }
}

TEST_F(QtWindowRendererTest, DrawnViewsReplayTheirCommandsTheModelWayUp) {
  RenderedView drawn = view(2, RenderedView::Kind::Drawn, Rect(0, 0, 40, 40), "");
  // The lower half, in a view whose y axis points up.
  drawn.drawing = {FillRoundedRect{Rect(0, 0, 40, 20), 0, 0, Color::systemRed(), std::nullopt}};
  renderer->show(window({drawn}));
  QImage image = shown().widgetFor(2)->grab().toImage();
  EXPECT_EQ(image.pixelColor(20, 35), QColor(255, 59, 48));
  EXPECT_NE(image.pixelColor(20, 5), QColor(255, 59, 48));
}

TEST_F(QtWindowRendererTest, AnOpenPanelIsAFreeStandingFileDialogWhoseChoiceGoesBack) {
  const std::filesystem::path folder = testing::makeTemporaryFolder("vigilix-open-panel");
  for (const char* name : {"a.iso", "b.iso"}) std::ofstream(folder / name) << name;
  std::filesystem::create_directory(folder / "album");
  const std::string a = (folder / "a.iso").string();
  const std::string b = (folder / "b.iso").string();
  struct Row {
    const char* name;
    FileChoice choice;
    QFileDialog::FileMode mode;
    std::function<void(QFileDialog&)> act;
    std::vector<std::string> calls;
  };
  const Row rows[] = {
      {"one file confirmed",
       {folder.string(), true, false, false},
       QFileDialog::ExistingFile,
       [&](QFileDialog& d) {
         d.selectFile(QString::fromStdString(a));
         static_cast<QDialog&>(d).accept();  // QFileDialog hides it
       },
       {"files " + a}},
      {"several files confirmed",
       {folder.string(), true, true, true},
       QFileDialog::ExistingFiles,
       [&](QFileDialog& d) {
         d.selectFile("\"a.iso\" \"b.iso\"");
         static_cast<QDialog&>(d).accept();  // QFileDialog hides it
       },
       {"files " + a + " " + b}},
      {"a folder confirmed",
       {folder.string(), false, true, false},
       QFileDialog::Directory,
       [&](QFileDialog& d) {
         d.selectFile(QString::fromStdString((folder / "album").string()));
         static_cast<QDialog&>(d).accept();  // QFileDialog hides it
       },
       {"files " + (folder / "album").string()}},
      {"cancel is the close button",
       {folder.string(), true, false, false},
       QFileDialog::ExistingFile,
       [](QFileDialog& d) { d.reject(); },
       {"close"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    input.calls.clear();
    RenderedWindow panel;
    panel.id = 7;
    panel.kind = RenderedWindow::Kind::OpenPanel;
    panel.fileChoice = row.choice;
    renderer->show(panel);
    QFileDialog* dialog = renderer->fileDialogFor(7);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder.string());
    EXPECT_EQ(dialog->fileMode(), row.mode);
    row.act(*dialog);
    EXPECT_EQ(input.calls, row.calls);
    renderer->close(7);
    EXPECT_EQ(renderer->fileDialogFor(7), nullptr);
  }
  std::filesystem::remove_all(folder);
}

TEST_F(QtWindowRendererTest, WithoutADisplayThereIsNoRendererRatherThanAnAbort) {
  testing::ScopedEnvironment none;
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
    none.set(name, std::nullopt);
  }
  EXPECT_EQ(makeQtWindowRenderer(input, DescriptorSources::main(), DispatchQueue::main()), nullptr);
}

TEST_F(QtWindowRendererTest, QtRunsOnOurLoopWhileAWindowIsShown) {
  EXPECT_FALSE(renderer->isDrivingToolkitLoop());
  renderer->show(window({view(2, RenderedView::Kind::Button, Rect(10, 10, 80, 21), "Start")}));
  EXPECT_TRUE(renderer->isDrivingToolkitLoop());

  // A posted Qt event is delivered by our own loop, not by a Qt loop.
  bool fired = false;
  QTimer::singleShot(0, [&] {
    fired = true;
    LiveRunLoop::main().stop();
  });
  LiveRunLoop::main().runUntil(Clock::current().now() + 10);
  EXPECT_TRUE(fired);

  renderer->close(1);
  DispatchQueue::main().async([] { LiveRunLoop::main().stop(); });
  LiveRunLoop::main().runUntil(Clock::current().now() + 10);
  EXPECT_FALSE(renderer->isDrivingToolkitLoop());
}

// What showing took goes with the QApplication once nothing is shown; the next renderer makes
// it again and shows windows as before.
TEST_F(QtWindowRendererTest, AReleaseEndsTheApplicationWhichTheNextRendererMakesAgain) {
  renderer->show(window({view(2, RenderedView::Kind::Button, Rect(10, 10, 80, 21), "Start")}));
  EXPECT_FALSE(renderer->release());
  renderer->close(1);
  EXPECT_TRUE(renderer->release());
  EXPECT_EQ(QCoreApplication::instance(), nullptr);

  renderer.reset(dynamic_cast<QtWindowRenderer*>(
      makeQtWindowRenderer(input, DescriptorSources::main(), DispatchQueue::main())));
  ASSERT_NE(QCoreApplication::instance(), nullptr);
  renderer->show(window({view(2, RenderedView::Kind::Button, Rect(10, 10, 80, 21), "Again")}));
  const auto* button = shown().findChild<QPushButton*>();
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Again");
}

}  // namespace
}  // namespace vigilix::platform
