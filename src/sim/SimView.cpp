#include "sim/SimView.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <pugixml.hpp>

#include "core/VBError.h"
#include "sim/SimCheckBox.h"
#include "sim/SimChoice.h"
#include "sim/SimEdit.h"
#include "sim/SimList.h"
#include "sim/SimNetworkMessage.h"
#include "sim/SimNotebook.h"
#include "sim/SimProgress.h"
#include "sim/SimPushButton.h"
#include "sim/SimSlider.h"
#include "sim/SimStaticText.h"

namespace mellox::sim {

namespace {
[[noreturn]] void Bad(const std::string& why) { throw VBError(5, "view description: " + why); }

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::int32_t IntAttr(const pugi::xml_node& node, const char* name, std::int32_t fallback) {
  const pugi::xml_attribute attr = node.attribute(name);
  if (!attr) return fallback;
  const char* text = attr.value();
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
    Bad(std::string("attribute ") + name + " of <" + node.name() + "> is not a whole number: \"" + text + "\"");
  return static_cast<std::int32_t>(v);
}

bool BoolAttr(const pugi::xml_node& node, const char* name, bool fallback) {
  const pugi::xml_attribute attr = node.attribute(name);
  if (!attr) return fallback;
  const std::string v = Lower(attr.value());
  if (v == "true" || v == "1" || v == "-1") return true;
  if (v == "false" || v == "0") return false;
  Bad(std::string("attribute ") + name + " is not true or false: \"" + attr.value() + "\"");
}

void OnlyChildren(const pugi::xml_node& node, const char* allowed) {
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    if (!allowed || std::strcmp(child.name(), allowed) != 0)
      Bad(std::string("<") + child.name() + "> is not allowed inside <" + node.name() + " name=\"" +
          node.attribute("name").value() + "\">");
  }
}
}  // namespace

std::unique_ptr<SimView> SimView::Parse(const std::string& description) {
  pugi::xml_document doc;
  const pugi::xml_parse_result result = doc.load_buffer(description.data(), description.size());
  if (!result) Bad(std::string(result.description()) + " at offset " + std::to_string(result.offset));
  const pugi::xml_node root = doc.document_element();
  if (std::strcmp(root.name(), "view") != 0) Bad("the root element is not <view>");
  std::unique_ptr<SimView> view(new SimView());
  view->title_ = root.attribute("title").value();
  const std::int32_t left = IntAttr(root, "left", 0);
  const std::int32_t top = IntAttr(root, "top", 0);
  view->position_ = {left, top, left + IntAttr(root, "width", 0), top + IntAttr(root, "height", 0)};
  view->ReadChildren(root, false);
  return view;
}

void SimView::ReadChildren(const pugi::xml_node& parent, bool inNotebook) {
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() != pugi::node_element) continue;
    const std::string tag = child.name();
    if (tag == "control") {
      if (inNotebook) Bad("a notebook holds <page> elements, not controls");
      ReadControl(child);
    } else if (tag == "page" && inNotebook) {
      ReadChildren(child, false);
    } else {
      Bad("unexpected <" + tag + ">");
    }
  }
}

void SimView::ReadControl(const pugi::xml_node& node) {
  const std::string type = Lower(node.attribute("type").value());
  const std::string name = node.attribute("name").value();
  if (name.empty()) Bad("a <control> of type \"" + type + "\" has no name");
  if (controls_.count(name)) Bad("duplicate control name \"" + name + "\"");
  const std::int32_t id = nextId_++;
  const std::string text = node.attribute("text").value();
  std::unique_ptr<platform::HostControl> control;
  bool pages = false;

  if (type == "checkbox") {
    OnlyChildren(node, nullptr);
    control = std::make_unique<SimCheckBox>(id, name, BoolAttr(node, "checked", false));
  } else if (type == "choice") {
    OnlyChildren(node, "option");
    auto choice = std::make_unique<SimChoice>(id, name);
    for (const pugi::xml_node& option : node.children("option")) {
      const pugi::xml_attribute data = option.attribute("data");
      choice->AddChoice(option.attribute("text").value(),
                        data ? SimNetworkMessage::ParseValue(data.value()) : platform::Variant());
    }
    const std::int32_t selected = IntAttr(node, "selected", -1);
    if (selected < -1 || selected >= choice->ChoiceCount()) Bad("selected entry out of range in \"" + name + "\"");
    choice->SelectedLet(selected);
    control = std::move(choice);
  } else if (type == "edit") {
    OnlyChildren(node, nullptr);
    control = std::make_unique<SimEdit>(id, name, text);
  } else if (type == "list") {
    OnlyChildren(node, "column");
    std::vector<SimList::Column> columns;
    for (const pugi::xml_node& col : node.children("column")) {
      const std::string kind = Lower(col.attribute("kind").value());
      SimList::Column c;
      if (kind == "text" || kind.empty())
        c.kind = SimList::ColumnKind::Text;
      else if (kind == "check")
        c.kind = SimList::ColumnKind::Check;
      else if (kind == "icon")
        c.kind = SimList::ColumnKind::Icon;
      else
        Bad("unknown column kind \"" + kind + "\" in \"" + name + "\"");
      c.width = IntAttr(col, "width", 0);
      columns.push_back(c);
    }
    control = std::make_unique<SimList>(id, name, std::move(columns));
  } else if (type == "pushbutton") {
    OnlyChildren(node, nullptr);
    control = std::make_unique<SimPushButton>(id, name, text);
  } else if (type == "static") {
    OnlyChildren(node, nullptr);
    control = std::make_unique<SimStaticText>(id, name, text);
  } else if (type == "slider") {
    OnlyChildren(node, nullptr);
    const std::int32_t min = IntAttr(node, "min", 0);
    const std::int32_t max = IntAttr(node, "max", 100);
    control = std::make_unique<SimSlider>(id, name, min, max, IntAttr(node, "position", min));
  } else if (type == "progress") {
    OnlyChildren(node, nullptr);
    control = std::make_unique<SimProgress>(id, name, IntAttr(node, "value", 0));
  } else if (type == "notebook") {
    OnlyChildren(node, "page");
    auto notebook = std::make_unique<SimNotebook>(id, name);
    for (const pugi::xml_node& page : node.children("page")) notebook->AddPage(page.attribute("label").value());
    control = std::move(notebook);
    pages = true;
  } else {
    Bad("unknown control type \"" + type + "\" for \"" + name + "\"");
  }

  placement_[name] = {IntAttr(node, "left", -1), IntAttr(node, "top", -1), IntAttr(node, "width", -1),
                      IntAttr(node, "height", -1)};
  controls_.emplace(name, std::move(control));
  order_.push_back(name);
  if (pages) ReadChildren(node, true);
}

platform::HostControl* SimView::Control(const std::string& name) {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.get();
}

SimPlacement SimView::Placement(const std::string& name) const {
  auto it = placement_.find(name);
  return it == placement_.end() ? SimPlacement{} : it->second;
}

}  // namespace mellox::sim
