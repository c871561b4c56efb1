#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTranslator>
#include <map>
#include <memory>

#include "app/startup/Translations.h"
#include "app/window/EditorWindow.h"

namespace {

// The texts of a window's menus, in order: each menu's title, then its actions' texts.
struct MenuTexts {
  QString title;
  std::map<QString, QString> actions;  // objectName -> text
};

std::vector<MenuTexts> MenusOf(const QMainWindow& window) {
  std::vector<MenuTexts> menus;
  for (const QAction* entry : window.menuBar()->actions()) {
    MenuTexts texts{entry->text(), {}};
    for (const QAction* action : entry->menu()->actions())
      if (!action->isSeparator())
        texts.actions[action->objectName()] = action->text();
    menus.push_back(texts);
  }
  return menus;
}

// The letter after the single '&' of a menu text; none where the text has no accelerator.
QChar Accelerator(const QString& text) {
  const qsizetype at = text.indexOf(u'&');
  return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
}

// Texts that German writes as English does.
const QSet<QString> kSameInGerman = {QStringLiteral("&Midi")};

class TranslationTest : public testing::Test {
 protected:
  // The other tests of this program read the English the sources hold.
  ~TranslationTest() override {
    qDeleteAll(qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
  }
};

TEST_F(TranslationTest, OnlyALanguageWithATranslationIsInstalled) {
  const struct {
    const char* locale;
    int result;
  } cases[] = {{"de_DE", 0}, {"de_AT", 0}, {"en_GB", -1}, {"C", -1}, {"fr_FR", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(InstallTranslations(*qApp, QLocale(QString::fromLatin1(c.locale))), c.result);
    const bool german = c.result == 0;
    EXPECT_EQ(QCoreApplication::translate("EditorActions", "&File"),
              german ? QStringLiteral("&Datei") : QStringLiteral("&File"));
    qDeleteAll(qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
  }
}

// Every menu title and every action of the bank window reads German, keeps its accelerator,
// and no two entries of one menu share one; Qt's own buttons follow.
TEST_F(TranslationTest, TheBankWindowsMenusAreGerman) {
  const auto english = std::make_unique<EditorWindow>();
  const std::vector<MenuTexts> source = MenusOf(*english);
  ASSERT_EQ(InstallTranslations(*qApp, QLocale(QStringLiteral("de_DE"))), 0);
  const auto german = std::make_unique<EditorWindow>();
  const std::vector<MenuTexts> shown = MenusOf(*german);

  ASSERT_EQ(shown.size(), source.size());
  ASSERT_EQ(shown.size(), 4U);
  QSet<QChar> titleKeys;
  for (std::size_t menu = 0; menu < shown.size(); ++menu) {
    SCOPED_TRACE(source[menu].title.toStdString());
    EXPECT_FALSE(Accelerator(shown[menu].title).isNull());
    EXPECT_TRUE(kSameInGerman.contains(source[menu].title) ||
                shown[menu].title != source[menu].title);
    titleKeys.insert(Accelerator(shown[menu].title));
    ASSERT_EQ(shown[menu].actions.size(), source[menu].actions.size());
    QSet<QChar> keys;
    for (const auto& [name, text] : shown[menu].actions) {
      const QString& english = source[menu].actions.at(name);
      SCOPED_TRACE(name.toStdString() + ": " + text.toStdString());
      EXPECT_FALSE(text.trimmed().isEmpty());
      EXPECT_NE(text, english);
      EXPECT_EQ(Accelerator(text).isNull(), Accelerator(english).isNull());
      EXPECT_FALSE(keys.contains(Accelerator(text)));
      keys.insert(Accelerator(text));
    }
  }
  EXPECT_EQ(titleKeys.size(), static_cast<qsizetype>(shown.size()));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}

}  // namespace
