#include "tests/app/ScriptedDialogs.h"

#include <gtest/gtest.h>

ScriptedDialogs& ScriptedDialogs::Install() {
  auto dialogs = std::make_unique<ScriptedDialogs>();
  ScriptedDialogs& installed = *dialogs;
  setUserDialogs(std::move(dialogs));
  return installed;
}

template <class T>
T ScriptedDialogs::Next(std::deque<T>& queue, T cancelled) {
  if (queue.empty()) {
    ADD_FAILURE() << "unexpected dialog: " << requests.back().title.toStdString();
    return cancelled;
  }
  T next = queue.front();
  queue.pop_front();
  return next;
}

std::optional<QString> ScriptedDialogs::NextPath(Kind kind, const FileDialogRequest& request) {
  requests.push_back({kind,
                      request.title,
                      FilterDescriptions(request.filters),
                      request.folder,
                      request.fileName,
                      {},
                      {}});
  const QString path = Next(paths, QString());
  return path.isEmpty() ? std::nullopt : std::optional(path);
}

Answer ScriptedDialogs::askYesNoCancel(QWidget*, const QString& title, const QString& text,
                                       const QString& yesText) {
  requests.push_back({Kind::Question, title, {}, {}, {}, text, yesText});
  return Next(answers, Answer::Cancel);
}

Answer ScriptedDialogs::askYesNo(QWidget*, const QString& title, const QString& text) {
  requests.push_back({Kind::Question, title, {}, {}, {}, text, {}});
  return Next(answers, Answer::No);
}

std::optional<QString> ScriptedDialogs::askText(QWidget*, const QString& title,
                                                const QString& label, const QString& text) {
  requests.push_back({Kind::Text, title, {}, {}, {}, label, text});
  const QString typed = Next(texts, QString());
  return typed.isNull() ? std::nullopt : std::optional(typed);
}

std::optional<QString> ScriptedDialogs::askChoice(QWidget*, const QString& title,
                                                  const QString& label, const QStringList& choices,
                                                  int current) {
  requests.push_back({Kind::Choice, title, choices, {}, {}, label, choices.value(current)});
  const QString chosen = Next(texts, QString());
  if (!chosen.isNull() && !choices.contains(chosen))
    ADD_FAILURE() << "no such choice: " << chosen.toStdString();
  return chosen.isNull() ? std::nullopt : std::optional(chosen);
}
