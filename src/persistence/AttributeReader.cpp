#include "persistence/AttributeReader.h"

#include <cmath>

#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "persistence/XmlFiles.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ControlHandler";
// Enough of a bad value to recognise it in a report without flooding chat.
constexpr std::size_t kShownValueLength = 40;

}  // namespace

platform::Variant GetAttribute(const pugi::xml_node& node, const std::string& name, const platform::Variant& def) {
  platform::Variant result;
  Trap("GetAttribute", kClass, [&] {
    if (node.type() != pugi::node_element) Raise(438);
    const pugi::xml_attribute attr = node.attribute(name.c_str());
    result = attr ? platform::Variant(std::string(attr.value())) : def;
  });
  return result;
}

AttributeReader::AttributeReader(pugi::xml_node element, std::string procedure)
    : element_(element), procedure_(std::move(procedure)) {}

std::optional<std::string> AttributeReader::Raw(const char* name) const {
  const pugi::xml_attribute attr = element_.attribute(name);
  if (!attr) return std::nullopt;
  return std::string(attr.value());
}

std::string AttributeReader::Text(const char* name, std::string_view def) const {
  const pugi::xml_attribute attr = element_.attribute(name);
  return attr ? std::string(attr.value()) : std::string(def);
}

bool AttributeReader::Bool(const char* name, bool def) const {
  const pugi::xml_attribute attr = element_.attribute(name);
  if (!attr) return def;
  try {
    return vb::CBool(attr.value());
  } catch (const VBError& e) {
    ReportBad(e.Number(), name, attr.value(), persistence::BoolText(def));
    return def;
  }
}

template <class T, class Convert>
T AttributeReader::Whole(const char* name, T def, Convert convert) const {
  const pugi::xml_attribute attr = element_.attribute(name);
  if (!attr) return def;
  try {
    return convert(std::string_view(attr.value()));
  } catch (const VBError& e) {
    ReportBad(e.Number(), name, attr.value(), vb::CStr(static_cast<std::int64_t>(def)));
    return def;
  }
}

std::int32_t AttributeReader::Long(const char* name, std::int32_t def) const {
  return Whole(name, def, [](std::string_view text) { return vb::CLng(text); });
}

std::int64_t AttributeReader::UnixTime(const char* name, std::int64_t def) const {
  // 0100-01-01 00:00:00 and 9999-12-31 23:59:59 UTC.
  constexpr std::int64_t kFirst = -59'011'459'200;
  constexpr std::int64_t kLast = 253'402'300'799;
  return Whole(name, def, [](std::string_view text) {
    const std::int64_t seconds = vb::CLngLng(text);
    if (seconds < kFirst || seconds > kLast) Raise(6);
    return seconds;
  });
}

double AttributeReader::Number(const char* name) const {
  const pugi::xml_attribute attr = element_.attribute(name);
  if (!attr) return 0;
  const double v = vb::Val(attr.value());
  return std::isfinite(v) ? v : 0;
}

void AttributeReader::ReportBad(int number, const char* name, std::string_view value, std::string_view used) const {
  std::string shown(value.substr(0, kShownValueLength));
  if (value.size() > kShownValueLength) shown += "...";
  const std::string description = VBError::StandardDescription(number) + ": " + element_.name() + " " + name +
                                  "=\"" + persistence::XmlSafe(shown) + "\", using " + std::string(used);
  LoadDamage::Report(std::string(element_.name()) + " " + name, number, description, procedure_);
}

}  // namespace mellox
