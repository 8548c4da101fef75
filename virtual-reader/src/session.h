// The reader as the transport library presents it: frames in, the reply to
// the last frame out, the field loaded from and written back to its file,
// and the trace.
#ifndef VR_SESSION_H
#define VR_SESSION_H

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "reader.h"

namespace vr {

struct Settings {
  static constexpr const char* kFieldVariable = "VEXA_SIM_FIELD";
  static constexpr const char* kPersistVariable = "VEXA_SIM_PERSIST";
  static constexpr const char* kTraceVariable = "VEXA_SIM_TRACE";

  std::string fieldPath;  // empty: the built-in field
  bool persist = false;   // write every change back to fieldPath
  bool trace = false;

  static Settings fromEnvironment();
};

class Session {
 public:
  using Sink = std::function<void(const std::string&)>;

  // `diagnostics` receives the trace and the reports of problems, one line
  // each without the newline.
  Session(Settings settings, Sink diagnostics);

  // The transport calls; both return the number of bytes taken or given.
  std::int32_t write(const std::uint8_t* frame, std::int32_t length);
  std::int32_t read(std::uint8_t* reply, std::int32_t size);

  Reader& reader() { return reader_; }
  bool persisting() const { return persisting_; }

 private:
  void load();
  void saveIfChanged();
  void say(const std::string& line) const;

  Settings settings_;
  Sink diagnostics_;
  Reader reader_;
  Bytes pendingReply_;
  bool persisting_ = false;
  bool saveProblemReported_ = false;
  std::string lastSaved_;
  std::mutex mutex_;
};

// The process's one reader, made from the environment on first use.
Session& processSession();

}  // namespace vr

#endif  // VR_SESSION_H
