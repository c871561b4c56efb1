#pragma once

#include <gtest/gtest.h>

#include <QWidget>

#include <QStringList>
#include <deque>
#include <vector>

#include "app/dialogs/UserDialogs.h"

// Dialogs that answer from queues and record every request. A dialog shown without a queued
// answer fails the test and is canceled.
class ScriptedDialogs : public UserDialogs {
 public:
  enum class Kind { Open, Folder, Save, Question, Text, Choice, Error, Message, Warning };
  struct Request {
    Kind kind;
    QString title;
    QStringList filters;  // descriptions
    QString folder;
    QString fileName;  // offered by a save dialog
    QString text;      // of a question, an error or a message; a text question's label
    QString details;   // of a message; the text a text question starts with
  };

  // The chosen paths (an empty one cancels the dialog) and the answers to questions, in order.
  std::deque<QString> paths;
  std::deque<Answer> answers;
  // The texts typed into text questions and chosen in choices, in order; a null one cancels.
  std::deque<QString> texts;
  std::vector<Request> requests;

  // Installed as the windows' dialogs until SetUserDialogs replaces them.
  static ScriptedDialogs& Install();

  std::optional<QString> openFileName(QWidget*, const FileDialogRequest& request) override {
    return NextPath(Kind::Open, request);
  }
  std::optional<QString> folderName(QWidget*, const FileDialogRequest& request) override {
    return NextPath(Kind::Folder, request);
  }
  std::optional<QString> saveFileName(QWidget*, const FileDialogRequest& request) override {
    return NextPath(Kind::Save, request);
  }
  // A question's Yes text, where it has one of its own, is kept as the request's details.
  Answer askYesNoCancel(QWidget*, const QString& title, const QString& text,
                        const QString& yesText) override;
  Answer askYesNo(QWidget*, const QString& title, const QString& text) override;
  std::optional<QString> askText(QWidget*, const QString& title, const QString& label,
                                 const QString& text) override;
  std::optional<QString> askChoice(QWidget*, const QString& title, const QString& label,
                                   const QStringList& choices, int current) override;
  void showError(QWidget*, const QString& caption, const QString& text) override {
    requests.push_back({Kind::Error, caption, {}, {}, {}, text, {}});
  }
  void showMessage(QWidget*, const QString& title, const QString& text,
                   const QString& details) override {
    requests.push_back({Kind::Message, title, {}, {}, {}, text, details});
  }
  void showWarning(QWidget*, const QString& title, const QString& text,
                   const QString& details) override {
    requests.push_back({Kind::Warning, title, {}, {}, {}, text, details});
  }

 private:
  std::optional<QString> NextPath(Kind kind, const FileDialogRequest& request);
  template <class T>
  T Next(std::deque<T>& queue, T cancelled);
};

// A control of a window or dialog by its objectName ("OkButton", "StepLabel", ...).
template <typename Control>
Control* Child(const QWidget& parent, const char* name) {
  auto* control = parent.findChild<Control*>(QString::fromUtf8(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}
