// Qt windows built from their layout tables.
#include "app/qt/LayoutWidgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/qt/Fonts.h"
#include "app/qt/Logo.h"
#include "app/qt/ProgressBar.h"

namespace vorn {

namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The desktop's colour of that name, as the style's palette has it.
std::optional<QColor> ColourOf(LayoutColour colour, const QPalette& palette) {
  switch (colour) {
    case LayoutColour::Default: return std::nullopt;
    case LayoutColour::ButtonFace: return palette.color(QPalette::Button);
    case LayoutColour::InfoBackground: return palette.color(QPalette::ToolTipBase);
    case LayoutColour::Red: return QColor(Qt::red);
  }
  return std::nullopt;
}

QWidget* MakeControl(const ControlLayout& control, QWidget* window, std::vector<QLabel*>& statusPanels) {
  switch (control.Kind) {
    case ControlKind::Button: {
      auto* button = new QPushButton(Text(control.Caption), window);
      if (control.Default) button->setDefault(true);
      return button;
    }
    case ControlKind::LogPane: {
      auto* log = new QPlainTextEdit(window);
      log->setReadOnly(true);
      log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      log->setTabChangesFocus(true);
      return log;
    }
    case ControlKind::ProgressBar:
      return new ProgressBar(window);
    case ControlKind::StatusBar: {
      auto* bar = new QStatusBar(window);
      bar->setSizeGripEnabled(false);
      // Placed by hand, edge to edge from the left: the status bar's own
      // layout would put spacing and margins between them.
      for (int i = 0; i < 2; ++i) {
        auto* panel = new QLabel(bar);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setGeometry(i * StatusPanelWidth, 0, StatusPanelWidth, control.Design.Height);
        statusPanels.push_back(panel);
      }
      return bar;
    }
    case ControlKind::Picture: {
      auto* picture = new QLabel(window);
      picture->setPixmap(DrawLogo(QSize(control.Design.Width, control.Design.Height)));
      picture->setAlignment(Qt::AlignCenter);
      return picture;
    }
    case ControlKind::Label:
      return new QLabel(Text(control.Caption), window);
    case ControlKind::PasswordEdit: {
      auto* edit = new QLineEdit(window);
      edit->setEchoMode(QLineEdit::Password);
      return edit;
    }
  }
  throw std::logic_error("Unknown control kind");
}

// The colours of an edit or log pane are its text area's; those of the
// other controls their face's.
void ApplyColours(QWidget* widget, const ControlLayout& control) {
  const bool textArea = control.Kind == ControlKind::LogPane || control.Kind == ControlKind::PasswordEdit;
  QPalette palette = widget->palette();
  if (auto text = ColourOf(control.Text, palette)) {
    palette.setColor(textArea ? QPalette::Text : QPalette::WindowText, *text);
  }
  if (auto background = ColourOf(control.Background, palette)) {
    palette.setColor(textArea ? QPalette::Base : QPalette::Window, *background);
    if (!textArea) widget->setAutoFillBackground(true);
  }
  widget->setPalette(palette);
}

}  // namespace

QRect ToQRect(const LayoutRect& rect) { return QRect(rect.Left, rect.Top, rect.Width, rect.Height); }

QWidget* LaidOutWindow::Find(std::string_view name) const {
  for (const Item& item : items_) {
    if (item.control->Name == name) return item.widget;
  }
  throw std::out_of_range("No control named " + std::string(name));
}

void LaidOutWindow::Apply(QSize client) const {
  const LayoutSize size{client.width(), client.height()};
  for (const Item& item : items_) {
    item.widget->setGeometry(
        ToQRect(Place(item.control->Design, item.control->Anchor, layout_->DesignClient, size)));
  }
}

LaidOutWindow BuildWindow(QWidget* window, const WindowLayout& layout) {
  window->setWindowTitle(Text(layout.Caption));
  window->setFont(FontOf(layout.Font));
  if (auto background = ColourOf(layout.Background, window->palette())) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, *background);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
  }

  LaidOutWindow built(layout);
  QWidget* previous = nullptr;
  for (const ControlLayout& control : layout.Controls) {
    QWidget* widget = MakeControl(control, window, built.statusPanels_);
    if (control.Bold) widget->setFont(FontOf(layout.Font, true));
    ApplyColours(widget, control);
    widget->setGeometry(ToQRect(control.Design));
    if (!control.Visible) widget->hide();
    if (control.TakesFocus) {
      widget->setFocusPolicy(Qt::StrongFocus);
      if (previous) QWidget::setTabOrder(previous, widget);
      previous = widget;
    } else {
      widget->setFocusPolicy(Qt::NoFocus);
    }
    built.items_.push_back({widget, &control});
  }

  const QSize design(layout.DesignClient.Width, layout.DesignClient.Height);
  if (layout.FixedSize) {
    window->setFixedSize(design);
  } else {
    window->resize(design);
  }
  return built;
}

}  // namespace vorn
