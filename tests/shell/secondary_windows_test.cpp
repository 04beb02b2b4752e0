// The about box and the help window.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/qt_platform_services.h"
#include "shell_fixture.h"

namespace marbleset::shell::testing {
namespace {

TEST_F(ShellTest, AboutBox_NamesThePlatformAndCopiesOneReferenceLine) {
  Action("MnuAbout")->trigger();
  auto* about = window->findChild<AboutForm*>();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->windowTitle(), "About Marbleset!");
  QStringList lines;
  for (QLabel* label : about->findChildren<QLabel*>()) lines << label->text();
#ifdef Q_OS_WIN
  EXPECT_TRUE(lines.contains("Version 1.32 for Windows"));
#elif defined(Q_OS_LINUX)
  EXPECT_TRUE(lines.contains("Version 1.32 for Linux"));
#endif
  EXPECT_TRUE(lines.join(" ").contains("the Marbleset contributors"));

  about->findChild<QPushButton*>("Command2")->click();
  about->findChild<QPushButton*>("Command2")->click();
  EXPECT_EQ(services.clipboard, AboutForm::ReferenceLine());
  EXPECT_FALSE(services.clipboard.contains('\n'));
  EXPECT_TRUE(about->isVisible());  // copying leaves the box open

  // "About Marbleset..." again brings the same box forward.
  Action("MnuAbout")->trigger();
  EXPECT_EQ(window->findChildren<AboutForm*>().size(), 1);
  about->findChild<QPushButton*>("Command1")->click();
  EXPECT_FALSE(about->isVisible());
}

TEST(PlatformServices, ClipboardTwiceHoldsOneLine) {
  TestApplication();
  ProcessState state;
  QtPlatformServices services(state);
  services.SetClipboardText(AboutForm::ReferenceLine());
  services.SetClipboardText(AboutForm::ReferenceLine());
  EXPECT_EQ(QApplication::clipboard()->text(), AboutForm::ReferenceLine());
}

TEST(PlatformServices, HelpOpensAtTheGuidesContentsAndEveryLinkResolves) {
  TestApplication();
  ProcessState state;
  QtPlatformServices services(state);
  QWidget owner;
  services.ShowHelpContents(&owner);
  HelpWindow* help = services.OpenHelpWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->Browser()->source(), QUrl(HelpWindow::kContentsUrl));
  EXPECT_TRUE(help->Browser()->toPlainText().contains("Contents"));

  // Every page the contents link to exists in the resources, and so does each of their links.
  QStringList pending = {HelpWindow::kContentsUrl};
  QStringList seen;
  while (!pending.isEmpty()) {
    const QString page = pending.takeFirst();
    if (seen.contains(page)) continue;
    seen << page;
    help->Browser()->setSource(QUrl(page));
    ASSERT_FALSE(help->Browser()->toPlainText().isEmpty()) << page.toStdString();
    const QString html = help->Browser()->toHtml();
    for (qsizetype at = html.indexOf("href=\""); at >= 0; at = html.indexOf("href=\"", at + 1)) {
      const qsizetype end = html.indexOf('"', at + 6);
      const QString target = html.mid(at + 6, end - at - 6).section('#', 0, 0);
      if (target.isEmpty() || target.startsWith("http")) continue;
      const QUrl resolved = QUrl(page).resolved(QUrl(target));
      EXPECT_TRUE(QFile::exists(":" + resolved.path()))
          << target.toStdString() << " in " << page.toStdString();
      if (QFile::exists(":" + resolved.path())) pending << resolved.toString();
    }
  }
  EXPECT_GE(seen.size(), 2);

  // Asked again, it returns to the contents in the same window.
  services.ShowHelpContents(&owner);
  EXPECT_EQ(services.OpenHelpWindow(), help);
  EXPECT_EQ(help->Browser()->source(), QUrl(HelpWindow::kContentsUrl));
}

}  // namespace
}  // namespace marbleset::shell::testing
