#include "hyp/Names.h"

#include <algorithm>
#include <utility>

#include "hyp/NumberFormat.h"
#include "pcb/PcbIteration.h"

std::string WithoutPoints(std::string name) {
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
}

std::string Abridged(const std::string& name) {
  constexpr std::size_t kShown = 40;
  if (name.size() <= kShown) return name;
  return name.substr(0, kShown) + "... (" + std::to_string(name.size()) + " characters)";
}

namespace {

const char* HostShapeName(std::uint8_t shape) {
  switch (shape) {
    case 1:
      return "round";
    case 2:
      return "rectangle";
    case 3:
      return "octagon";
    case 9:
      return "rounded rectangle";
    default:
      return nullptr;
  }
}

const char* WrittenShapeName(std::uint8_t code) {
  switch (code) {
    case 1:
      return "round";
    case 2:
      return "rectangle";
    default:
      return "oblong";
  }
}

}  // namespace

void THypNames::Tell(const std::string& kind, const std::string& design, const std::string& cleaned,
                     const THypGivenName& given, THypChangeTally* suffixes, THypChangeTally* points) {
  const std::string clean = HypLineText(design);
  if (clean != design) FChanges.Replaced.Add(kind + " " + ShownName(design) + " as " + given.written);
  if (points != nullptr && clean.find('.') != std::string::npos) points->Add(clean + " as " + given.written);
  if (given.shortened) FChanges.Shortened.Add(kind + " " + Abridged(cleaned) + " as " + Abridged(given.written));
  if (given.suffixed && suffixes != nullptr) suffixes->Add(ShownName(design) + " as " + given.written);
}

void THypNames::TellDesignator(const std::string& design, const std::string& written) {
  if (written == design) return;
  if (FChanges.DesignatorsRenamed++ < kDesignatorLinesMax)
    FChanges.DesignatorLines.push_back(Abridged(ShownName(design)) + " is written " + Abridged(written));
}

void THypNames::ClaimDesignators(const std::vector<TDesignator>& designators) {
  std::vector<THypNameRequest> requests;
  requests.reserve(designators.size());
  for (const TDesignator& d : designators)
    requests.push_back({d.design, WithoutPoints(HypLineText(d.design)), d.capacity});
  const std::vector<THypGivenName> given = FDesignatorNames.ClaimAll(requests);
  for (std::size_t i = 0; i < designators.size(); ++i) {
    // A component met twice keeps the name of its first meeting.
    if (!FDesignators.try_emplace(designators[i].component, given[i].written).second) continue;
    Tell("designator", designators[i].design, requests[i].cleaned, given[i], &FChanges.DesignatorSuffixes,
         &FChanges.DesignatorPoints);
    TellDesignator(designators[i].design, given[i].written);
  }
}

const std::string* THypNames::FindDesignator(THandle component) const {
  const auto found = FDesignators.find(component);
  return found == FDesignators.end() ? nullptr : &found->second;
}

const std::string& THypNames::ClaimDesignator(THandle component, const std::string& design, std::size_t capacity) {
  if (const std::string* known = FindDesignator(component)) return *known;
  const std::string cleaned = WithoutPoints(HypLineText(design));
  THypGivenName given;
  given.written = FDesignatorNames.Claim(cleaned, capacity);
  given.shortened = FitName(cleaned, capacity).size() < cleaned.size();
  given.suffixed = given.written != FitName(cleaned, capacity);
  Tell("designator", design, cleaned, given, &FChanges.DesignatorSuffixes, &FChanges.DesignatorPoints);
  TellDesignator(design, given.written);
  return FDesignators.emplace(component, std::move(given.written)).first->second;
}

void THypNames::NotePin(THandle component, const std::string& design) { FPins.push_back({component, design}); }

void THypNames::ClaimPadNames() {
  // The different pad names of each component, in the order first met.
  std::unordered_map<THandle, std::vector<std::size_t>> byComponent;
  std::vector<THandle> components;
  for (std::size_t i = 0; i < FPins.size(); ++i) {
    auto [at, added] = byComponent.try_emplace(FPins[i].component);
    if (added) components.push_back(FPins[i].component);
    at->second.push_back(i);
  }
  for (const THandle component : components) {
    TPadNames& names = PadNames(component);
    std::vector<THypNameRequest> requests;
    for (const std::size_t i : byComponent[component])
      if (names.byDesign.try_emplace(FPins[i].design).second)
        requests.push_back({FPins[i].design, WithoutPoints(HypLineText(FPins[i].design)), kPadNameCapacity});
    const std::vector<THypGivenName> given = names.space.ClaimAll(requests);
    const std::string* designator = FindDesignator(component);
    for (std::size_t k = 0; k < requests.size(); ++k) {
      names.byDesign[requests[k].design] = given[k].written;
      Tell("pad name", requests[k].design, requests[k].cleaned, given[k], nullptr, &FChanges.PadNamePoints);
      if (given[k].suffixed)
        FChanges.PadNameSuffixes.Add((designator != nullptr ? *designator + " pad " : std::string()) +
                                     ShownName(requests[k].design) + " as " + given[k].written);
    }
  }
  std::vector<TPin>().swap(FPins);
}

std::string THypNames::PadName(THandle component, const std::string& design) {
  TPadNames& names = PadNames(component);
  const auto found = names.byDesign.find(design);
  if (found != names.byDesign.end()) return found->second;
  const std::string cleaned = WithoutPoints(HypLineText(design));
  THypGivenName given;
  given.written = names.space.Claim(cleaned, kPadNameCapacity);
  given.suffixed = given.written != cleaned.substr(0, kPadNameCapacity);
  Tell("pad name", design, cleaned, given, &FChanges.PadNameSuffixes, &FChanges.PadNamePoints);
  return names.byDesign.emplace(design, std::move(given.written)).first->second;
}

std::vector<std::string> THypNames::ClaimNetNames(const std::vector<std::string>& designNames) {
  std::vector<THypNameRequest> requests;
  requests.reserve(designNames.size());
  // Deleting spaces and making parentheses "_" is the rule of net names,
  // no change to tell; a name that needed it still claims after the names
  // written as the design holds them.
  for (const std::string& design : designNames) requests.push_back({design, HypLineText(MakeNetName(design))});
  const std::vector<THypGivenName> given = FNetNames.ClaimAll(requests);
  std::vector<std::string> written;
  written.reserve(given.size());
  for (std::size_t i = 0; i < given.size(); ++i) {
    Tell("net", designNames[i], requests[i].cleaned, given[i], &FChanges.NetSuffixes, nullptr);
    written.push_back(given[i].written);
  }
  return written;
}

void THypNames::NotePadShape(THandle component, const std::string& pad, std::int32_t x, std::int32_t y,
                             std::uint8_t hostShape, std::uint8_t written) {
  if (FChanges.PadShapes.Count++ == 0) FShapeCase = {component, pad, x, y, hostShape, written};
}

std::string THypNames::PadShapeExample() const {
  if (FChanges.PadShapes.Count == 0) return {};
  const TShapeCase& c = FShapeCase;
  std::string where = "the pad at X=" + FormatLength(c.x) + " Y=" + FormatLength(c.y);
  const std::string* designator = FindDesignator(c.component);
  const auto names = designator != nullptr ? FPadNames.find(c.component) : FPadNames.end();
  if (names != FPadNames.end()) {
    const auto pad = names->second.byDesign.find(c.pad);
    if (pad != names->second.byDesign.end()) where = Abridged(*designator) + "." + pad->second;
  }
  const char* host = HostShapeName(c.hostShape);
  return where + ": " + (host != nullptr ? host : "shape " + std::to_string(c.hostShape)) + " as " +
         WrittenShapeName(c.written);
}
