// ControlHandler: routes the events of the experience, spell, drink and corpse
// pages to the trackers that own those options.
#include "core/Globals.h"
#include "core/Trap.h"
#include "settings_view/ControlHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

// A handler that finds its tracker gone (during termination) does nothing;
// any error it raises is reported under the handler's own name and class.
template <class Owner, class F>
auto To(Owner*& instance, const char* proc, const char* owner, F body) {
  return [&instance, proc, owner, body](auto... args) {
    Trap(proc, owner, [&] {
      if (instance) body(*instance, args...);
    });
  };
}

}  // namespace

void ControlHandler::SubscribeTrackingPageEvents() {
  auto& ev = events_;
  // Experience page.
  if (XPFilter)
    ev.push_back(XPFilter->Change.Connect(To(StatisticsInstance, "XPFilter_Change", "Statistics",
                                             [](Statistics& s, std::int32_t id, bool on) { s.XPFilter_Change(id, on); })));
  if (XPAuto)
    ev.push_back(XPAuto->Change.Connect(To(StatisticsInstance, "XPAuto_Change", "Statistics",
                                           [](Statistics& s, std::int32_t id, bool on) { s.XPAuto_Change(id, on); })));
  if (XPFilterThreshold)
    ev.push_back(XPFilterThreshold->Change.Connect(
        To(StatisticsInstance, "XPFilterThreshold_Change", "Statistics",
           [](Statistics& s, std::int32_t id, const std::string& text) { s.XPFilterThreshold_Change(id, text); })));
  if (ResetTime)
    ev.push_back(ResetTime->Accepted.Connect(To(StatisticsInstance, "ResetTime_Accepted", "Statistics",
                                                [](Statistics& s, std::int32_t id) { s.ResetTime_Accepted(id); })));

  // Spell page.
  if (BuffList)
    ev.push_back(BuffList->Change.Connect(
        To(SpellHandlerInstance, "BuffList_Change", "SpellHandler",
           [](SpellHandler& h, std::int32_t id, std::int32_t col, std::int32_t row) { h.BuffList_Change(id, col, row); })));
  if (SpellsOffset)
    ev.push_back(SpellsOffset->End.Connect(To(SpellHandlerInstance, "SpellsOffset_End", "SpellHandler",
                                              [](SpellHandler& h, std::int32_t id, bool ok) { h.SpellsOffset_End(id, ok); })));
  if (SpellsItem)
    ev.push_back(SpellsItem->Change.Connect(To(SpellHandlerInstance, "SpellsItem_Change", "SpellHandler",
                                               [](SpellHandler& h, std::int32_t id, bool on) { h.SpellsItem_Change(id, on); })));

  // Drinks.
  if (BeerTimer)
    ev.push_back(BeerTimer->End.Connect(To(SpellHandlerInstance, "BeerTimer_End", "SpellHandler",
                                           [](SpellHandler& h, std::int32_t id, bool ok) { h.BeerTimer_End(id, ok); })));
  if (BeerUseTimer)
    ev.push_back(BeerUseTimer->End.Connect(To(SpellHandlerInstance, "BeerUseTimer_End", "SpellHandler",
                                              [](SpellHandler& h, std::int32_t id, bool ok) { h.BeerUseTimer_End(id, ok); })));
  for (ObjRef<platform::CheckBoxControl>* box :
       {&BeerStr, &BeerEnd, &BeerCoord, &BeerQuick, &BeerFocus, &BeerSelf, &BeerUseCheck, &SpellsBeers}) {
    if (!*box) continue;
    ev.push_back((*box)->Change.Connect(To(SpellHandlerInstance, "BeerBox_Change", "SpellHandler",
                                           [](SpellHandler& h, std::int32_t id, bool on) { h.BeerBox_Change(id, on); })));
  }

  // Corpse page.
  if (CorpsesList)
    ev.push_back(CorpsesList->Change.Connect(
        To(CorpseHandlerInstance, "CorpsesList_Change", "CorpseHandler",
           [](CorpseHandler& h, std::int32_t id, std::int32_t col, std::int32_t row) { h.CorpsesList_Change(id, col, row); })));
  if (CorpsesAbsolute)
    ev.push_back(CorpsesAbsolute->Change.Connect(
        To(CorpseHandlerInstance, "CorpsesAbsolute_Change", "CorpseHandler",
           [](CorpseHandler& h, std::int32_t id, bool on) { h.CorpsesAbsolute_Change(id, on); })));
  if (CorpsesAuto)
    ev.push_back(CorpsesAuto->Change.Connect(To(CorpseHandlerInstance, "CorpsesAuto_Change", "CorpseHandler",
                                                [](CorpseHandler& h, std::int32_t id, bool on) { h.CorpsesAuto_Change(id, on); })));
}

}  // namespace mellox
