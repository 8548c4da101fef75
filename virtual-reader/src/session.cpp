#include "session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "default_field.h"
#include "field_json.h"
#include "platform.h"

namespace vr {
namespace {

constexpr const char* kPrefix = "vexa virtual reader: ";
// A frame longer than this cannot come from the library; it is answered
// as malformed without being copied whole.
constexpr std::int32_t kMaxFrame = 4096;

bool isSet(const char* value) { return value && *value && std::string(value) != "0"; }

}  // namespace

Settings Settings::fromEnvironment() {
  Settings s;
  if (const char* path = std::getenv(kFieldVariable)) s.fieldPath = path;
  s.persist = isSet(std::getenv(kPersistVariable));
  s.trace = isSet(std::getenv(kTraceVariable));
  return s;
}

Session::Session(Settings settings, Sink diagnostics)
    : settings_(std::move(settings)), diagnostics_(std::move(diagnostics)) {
  if (settings_.trace) reader_.onEvent = [this](const std::string& line) { say(line); };
  load();
}

void Session::say(const std::string& line) const {
  if (diagnostics_) diagnostics_(kPrefix + line);
}

void Session::load() {
  const std::string& path = settings_.fieldPath;
  if (path.empty()) {
    fillDefaultField(reader_.field);
    return;
  }
  std::error_code ec;
  if (settings_.persist && !std::filesystem::exists(path, ec)) {
    // A field to keep that does not exist yet starts as the built-in one.
    fillDefaultField(reader_.field);
    persisting_ = true;
    saveIfChanged();
    return;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    say("cannot read field file " + path + ": " + std::strerror(errno) + "; the field is empty");
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    say("cannot read field file " + path + "; the field is empty");
    return;
  }
  if (auto problem = fieldFromJson(text.str(), reader_.state, reader_.field)) {
    say("field file " + path + ": " + *problem + "; the field is empty");
    return;
  }
  persisting_ = settings_.persist;
  if (persisting_) lastSaved_ = fieldToJson(reader_.state, reader_.field);
}

void Session::saveIfChanged() {
  if (!persisting_) return;
  std::string text = fieldToJson(reader_.state, reader_.field);
  if (text == lastSaved_) return;
  const std::string problem = replaceFileAtomically(settings_.fieldPath, text);
  if (!problem.empty()) {
    if (!saveProblemReported_) say("cannot save the field: " + problem);
    saveProblemReported_ = true;
    return;
  }
  saveProblemReported_ = false;
  lastSaved_ = std::move(text);
}

std::int32_t Session::write(const std::uint8_t* frame, std::int32_t length) {
  if (!frame || length <= 0) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  const ByteView bytes(frame, static_cast<std::size_t>(std::min(length, kMaxFrame)));
  Reader::Exchange exchange = reader_.exchange(bytes);
  if (settings_.trace) say("-> " + exchange.name + ": " + toSpacedHex(bytes));
  if (exchange.answered) {
    if (settings_.trace) {
      say("<- " + exchange.name + ": status " + toHex(Bytes{exchange.status}) + ": " +
          toSpacedHex(exchange.reply));
    }
    pendingReply_ = std::move(exchange.reply);
  } else {
    if (settings_.trace) say("<- " + exchange.name + ": no answer, frame for another address");
    pendingReply_.clear();
  }
  saveIfChanged();
  return length;
}

std::int32_t Session::read(std::uint8_t* reply, std::int32_t size) {
  if (!reply || size <= 0) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  const auto n = std::min<std::size_t>(pendingReply_.size(), static_cast<std::size_t>(size));
  std::copy_n(pendingReply_.begin(), n, reply);
  pendingReply_.clear();
  return static_cast<std::int32_t>(n);
}

Session& processSession() {
  // Never destroyed: the application may still call in while the process
  // winds down.
  static Session* session = new Session(Settings::fromEnvironment(), [](const std::string& line) {
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
  });
  return *session;
}

}  // namespace vr
