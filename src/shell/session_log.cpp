#include "shell/session_log.h"

#include <QDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <functional>

#include "dataset/output_file.h"
#include "formats/data_io.h"
#include "marbleset_version.h"
#include "provenance/sha256.h"
#include "shell/platform_services.h"
#include "shell/settings_store.h"

namespace marbleset::shell {

namespace {

const QString kScriptTitle = QStringLiteral("Save as script");

// A read-only, selectable text with a Copy button and, where given, one more button.
QDialog* TextWindow(QWidget* parent, const QString& name, const QString& title, const QString& text,
                    PlatformServices& services, const QString& extraCaption = {},
                    const std::function<void(QDialog*)>& extraAction = {}) {
  auto* window = new QDialog(parent);
  window->setObjectName(name);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(title);
  auto* view = new QPlainTextEdit(text, window);
  view->setObjectName(QStringLiteral("textView"));
  view->setReadOnly(true);
  view->setLineWrapMode(name == QLatin1String("methodsWindow") ? QPlainTextEdit::WidgetWidth
                                                               : QPlainTextEdit::NoWrap);
  view->setMinimumSize(view->fontMetrics().averageCharWidth() * 90,
                       view->fontMetrics().height() * 16);
  auto* copy = new QPushButton(QStringLiteral("Copy"), window);
  copy->setObjectName(QStringLiteral("copyButton"));
  QObject::connect(copy, &QPushButton::clicked, window,
                   [&services, text] { services.SetClipboardText(text); });
  auto* close = new QPushButton(QStringLiteral("Close"), window);
  QObject::connect(close, &QPushButton::clicked, window, &QDialog::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  if (extraAction) {
    auto* extra = new QPushButton(extraCaption, window);
    extra->setObjectName(QStringLiteral("extraButton"));
    QObject::connect(extra, &QPushButton::clicked, window,
                     [window, extraAction] { extraAction(window); });
    buttons->addWidget(extra);
  }
  buttons->addWidget(copy);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(view);
  layout->addLayout(buttons);
  return window;
}

}  // namespace

SessionLog::SessionLog(const marbleset::UniformSource& start)
    : counted_(marbleset::UniformSource::kDefaultSeed),
      knownStart_(start == marbleset::UniformSource(marbleset::UniformSource::kDefaultSeed)) {}

void SessionLog::Opened(const marbleset::SessionInput& input, const marbleset::DataSet& data) {
  commands_.Opened(input);
  data_ = marbleset::FactsOfData(data, marbleset::FileNameOf(input.path),
                                 marbleset::Sha256OfFile(input.path));
}

std::optional<std::uint64_t> SessionLog::DrawsBefore(const marbleset::UniformSource& now) {
  if (!knownStart_) return std::nullopt;
  // Every draw of the source takes one step of its sequence, which only goes forward: stepping
  // a copy from the start until it stands where the source stands counts the draws.
  while (counted_ != now) {
    counted_.NextTop24();
    ++draws_;
  }
  return draws_;
}

marbleset::MethodsFacts SessionLog::Facts() const {
  marbleset::MethodsFacts facts;
  facts.version = MARBLESET_VERSION;
  facts.data = data_;
  facts.screening = commands_.Screening();
  return facts;
}

void ShowSessionCommands(QWidget* parent, SessionLog& log, PlatformServices& services,
                         const QString& folder) {
  TextWindow(parent, QStringLiteral("sessionWindow"), QStringLiteral("Session as commands"),
             FromStd(log.Commands().Script()), services, QStringLiteral("Save as script..."),
             [&log, &services, folder](QDialog* window) {
               SaveSessionScript(window, log, services, folder);
             })
      ->show();
}

QString SaveSessionScript(QWidget* parent, const SessionLog& log, PlatformServices& services,
                          const QString& folder) {
  FileDialogRequest request;
  request.title = kScriptTitle;
  request.filter = QStringLiteral("Shell scripts (*.sh);;All files (*)");
  request.initialFolder = folder;
  request.initialName = QDir(folder).filePath(QStringLiteral("session.sh"));
  request.askOverwrite = true;
  const std::optional<FileChoice> choice = services.ChooseSaveFile(parent, request);
  if (!choice || choice->path.isEmpty()) return {};
  try {
    const std::string path = ToStd(choice->path);
    for (const std::string& data : log.Commands().DataFiles())
      marbleset::RefuseDataFileAsOutput(path, data);
    marbleset::OutputFile file(path);
    file.sink().Append(log.Commands().Script());
    file.Close();
  } catch (const std::exception& problem) {
    services.ShowMessage(parent, kScriptTitle, QString::fromUtf8(problem.what()));
    return {};
  }
  return choice->path;
}

void ShowMethods(QWidget* parent, const marbleset::MethodsFacts& facts,
                 PlatformServices& services) {
  TextWindow(parent, QStringLiteral("methodsWindow"), QStringLiteral("Methods"),
             FromStd(marbleset::MethodsText(facts)), services)
      ->show();
}

}  // namespace marbleset::shell
