#include "settings_view/ViewSnapshot.h"

#include <pugixml.hpp>

#include "core/Trap.h"
#include "core/VBError.h"

namespace mellox {

namespace {

// Every control element of the description, in document order, with the
// number of columns it describes (a list's).
void Described(const pugi::xml_node& parent, std::vector<std::pair<std::string, std::int32_t>>& out) {
  for (const pugi::xml_node& node : parent.children()) {
    if (std::string(node.name()) == "control") {
      std::int32_t columns = 0;
      for (const pugi::xml_node& column : node.children("column")) {
        (void)column;
        ++columns;
      }
      out.emplace_back(node.attribute("name").value(), columns);
    }
    Described(node, out);
  }
}

bool Same(const platform::Variant& a, const platform::Variant& b) { return a.value == b.value; }

template <class T>
T& As(platform::HostControl& control) {
  auto* typed = dynamic_cast<T*>(&control);
  if (typed == nullptr) Raise(13);
  return *typed;
}

}  // namespace

ViewSnapshot ViewSnapshot::Take(platform::HostView& view, const std::string& description) {
  ViewSnapshot snapshot;
  pugi::xml_document doc;
  if (!doc.load_string(description.c_str())) return snapshot;
  std::vector<std::pair<std::string, std::int32_t>> described;
  Described(doc, described);
  for (const auto& entry : described) {
    const std::string& name = entry.first;
    const std::int32_t columns = entry.second;
    platform::HostControl* control = view.Control(name);
    if (control == nullptr) continue;
    Saved saved;
    saved.name = name;
    bool kept = false;
    Trap("InitControls", "ControlHandler", [&] { kept = Read(*control, columns, saved); });
    if (kept) snapshot.controls_.push_back(std::move(saved));
  }
  return snapshot;
}

bool ViewSnapshot::Read(platform::HostControl& control, std::int32_t columns, Saved& saved) {
  if (auto* box = dynamic_cast<platform::CheckBoxControl*>(&control)) {
    saved.kind = Kind::Check;
    saved.checked = box->CheckedGet();
  } else if (auto* edit = dynamic_cast<platform::EditControl*>(&control)) {
    saved.kind = Kind::Edit;
    saved.text = edit->TextGet();
  } else if (auto* label = dynamic_cast<platform::StaticTextControl*>(&control)) {
    saved.kind = Kind::Static;
    saved.text = label->TextGet();
  } else if (auto* button = dynamic_cast<platform::PushButtonControl*>(&control)) {
    saved.kind = Kind::Button;
    saved.text = button->TextGet();
  } else if (auto* choice = dynamic_cast<platform::ChoiceControl*>(&control)) {
    saved.kind = Kind::Choice;
    for (std::int32_t i = 0, n = choice->ChoiceCount(); i < n; ++i)
      saved.entries.emplace_back(choice->TextGet(i), choice->DataGet(i));
    saved.number = choice->SelectedGet();
  } else if (auto* slider = dynamic_cast<platform::SliderControl*>(&control)) {
    saved.kind = Kind::Slider;
    saved.number = slider->SliderPositionGet();
  } else if (auto* progress = dynamic_cast<platform::ProgressControl*>(&control)) {
    saved.kind = Kind::Progress;
    saved.number = progress->ValueGet();
  } else if (auto* list = dynamic_cast<platform::ListControl*>(&control)) {
    saved.kind = Kind::List;
    for (std::int32_t row = 0, n = list->Count(); row < n; ++row) {
      std::vector<Cell>& cells = saved.rows.emplace_back(static_cast<std::size_t>(columns));
      for (std::int32_t column = 0; column < columns; ++column)
        for (std::int32_t sub = 0; sub < 2; ++sub)
          cells[static_cast<std::size_t>(column)][static_cast<std::size_t>(sub)] = list->DataGet(column, row, sub);
    }
    saved.number = list->ScrollPositionGet();
  } else {
    // A notebook holds nothing to put back.
    return false;
  }
  return true;
}

void ViewSnapshot::Restore(platform::HostView& view) const {
  for (const Saved& saved : controls_) {
    Trap("ResetForLogin", "ControlHandler", [&] {
      platform::HostControl* control = view.Control(saved.name);
      if (control == nullptr) Raise(91);
      Write(*control, saved);
    });
  }
}

void ViewSnapshot::Write(platform::HostControl& control, const Saved& saved) {
  switch (saved.kind) {
    case Kind::Check:
      As<platform::CheckBoxControl>(control).CheckedLet(saved.checked);
      break;
    case Kind::Edit:
      As<platform::EditControl>(control).TextLet(saved.text);
      break;
    case Kind::Static:
      As<platform::StaticTextControl>(control).TextLet(saved.text);
      break;
    case Kind::Button:
      As<platform::PushButtonControl>(control).TextLet(saved.text);
      break;
    case Kind::Choice: {
      auto& choice = As<platform::ChoiceControl>(control);
      bool same = choice.ChoiceCount() == static_cast<std::int32_t>(saved.entries.size());
      for (std::int32_t i = 0; same && i < choice.ChoiceCount(); ++i) {
        const auto& entry = saved.entries[static_cast<std::size_t>(i)];
        same = choice.TextGet(i) == entry.first && Same(choice.DataGet(i), entry.second);
      }
      if (!same) {
        choice.Clear();
        for (const auto& [text, data] : saved.entries) choice.AddChoice(text, data);
      }
      choice.SelectedLet(saved.number);
      break;
    }
    case Kind::Slider:
      As<platform::SliderControl>(control).SliderPositionLet(saved.number);
      break;
    case Kind::Progress:
      As<platform::ProgressControl>(control).ValueLet(saved.number);
      break;
    case Kind::List: {
      auto& list = As<platform::ListControl>(control);
      if (list.Count() > 0 || !saved.rows.empty()) list.Clear();
      for (const std::vector<Cell>& cells : saved.rows) {
        const std::int32_t row = list.AddRow();
        for (std::size_t column = 0; column < cells.size(); ++column)
          for (std::size_t sub = 0; sub < 2; ++sub)
            if (!cells[column][sub].IsEmpty())
              list.DataLet(static_cast<std::int32_t>(column), row, static_cast<std::int32_t>(sub), cells[column][sub]);
      }
      list.ScrollPositionLet(saved.number);
      break;
    }
  }
}

}  // namespace mellox
