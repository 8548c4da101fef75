#include "app.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "commands.h"
#include "errors.h"
#include "results.h"
#include "table.h"
#include "vexa.h"

namespace vexa::cli {
namespace {

constexpr std::int32_t kLeastValue = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMostValue = std::numeric_limits<std::int32_t>::max();
constexpr int kMostBlockNumber = 255;
constexpr int kJsonIndent = 2;

// What the command line asked for, ready to run: arguments are checked
// inside `action` before its first library call.
struct Prepared {
  std::string name;
  std::function<json(Session&)> action;
  Render render = nullptr;
};

// Every option and positional argument, as text; the commands check them.
struct Args {
  bool json = false;
  bool verbose = false;
  std::string key = "FFFFFFFFFFFF";
  std::string keyType = "A";
  std::string card = "1k";
  std::string uid;
  std::string serial;
  std::string a, b;  // positional arguments
  std::vector<std::string> many;
  std::string count = "1";
  std::string ms = "100";
  std::string times = "1";
  std::string blockSize = "4";
  bool idle = false;
  bool halt = false;
  bool trailer = false;
  bool yes = false;
  bool lockStatus = false;
};

int number(const std::string& text, long long least, long long most, const char* what) {
  return static_cast<int>(parseNumber(text, least, most, what));
}

class Builder {
 public:
  Builder(CLI::App& app, Args& args, Prepared& prepared)
      : app_(app), args_(args), prepared_(prepared) {}

  // A group of commands.
  CLI::App* group(CLI::App* parent, const std::string& name, const std::string& help) {
    CLI::App* g = parent->add_subcommand(name, help);
    g->require_subcommand(1);
    g->fallthrough();
    return g;
  }

  // A command: `action` runs it, `render` shows its result.
  CLI::App* command(CLI::App* parent, const std::string& name, const std::string& help,
                    Render render, std::function<json(Session&)> action) {
    CLI::App* c = parent->add_subcommand(name, help);
    c->fallthrough();
    std::string full = name;
    for (CLI::App* p = parent; p && p != &app_; p = p->get_parent())
      full = p->get_name() + " " + full;
    c->callback([this, full, render, action = std::move(action)] {
      prepared_ = {full, action, render};
    });
    return c;
  }

  Args& args() { return args_; }

 private:
  CLI::App& app_;
  Args& args_;
  Prepared& prepared_;
};

std::vector<Bytes> parseApdus(const std::vector<std::string>& texts) {
  std::vector<Bytes> out;
  for (const std::string& t : texts) out.push_back(parseHex(t, "APDU"));
  return out;
}

void renderSerial(const json& d, std::ostream& out) {
  if (d.contains("message")) {
    renderMessage(d, out);
  } else {
    renderReaderSerial(d, out);
  }
}

void positional(CLI::App* c, std::string& into, const std::string& name, const std::string& help) {
  c->add_option(name, into, help)->required();
}

void buildReader(Builder& b, CLI::App* root) {
  Args& a = b.args();
  CLI::App* g = b.group(root, "reader", "the reader itself");
  b.command(g, "version", "the reader's version", renderReaderVersion,
            [](Session& s) { return readerVersion(s); });
  auto* serial = b.command(g, "serial", "the reader's serial number; with NEW, set it",
                           renderSerial, [&a](Session& s) {
                             if (a.a.empty()) return readerSerial(s);
                             return readerSetSerial(s, parseHexExact(a.a, 8, "serial number"));
                           });
  serial->add_option("NEW", a.a, "new serial number, 8 bytes in hex");
  auto signal = [&](const char* name, const char* help, json (*run)(Session&, Signal)) {
    auto* c = b.command(g, name, help, renderMessage,
                        [&a, run](Session& s) { return run(s, parseSignal(a.ms, a.times)); });
    c->add_option("--ms", a.ms, "how long each time, in ms (10 to 2550, in steps of 10)")
        ->capture_default_str();
    c->add_option("--times", a.times, "how many times (1 to 255)")->capture_default_str();
  };
  signal("led", "flash the LED", readerLed);
  signal("buzzer", "sound the buzzer", readerBuzzer);
  auto* info = b.command(
      g, "userinfo", "write user information into the reader", renderMessage, [&a](Session& s) {
        return readerUserInfo(s, parseByte(a.a, "offset"), parseHex(a.b, "user information"));
      });
  positional(info, a.a, "OFFSET", "where in the reader's user information to write");
  positional(info, a.b, "DATA", "the bytes, in hex");
  auto* address =
      b.command(g, "address", "set the reader's bus address", renderMessage,
                [&a](Session& s) { return readerAddress(s, parseByte(a.a, "address")); });
  positional(address, a.a, "ADDRESS", "0 to 255, or 0x00 to 0xFF");
  auto* speed = b.command(g, "speed", "set the reader's serial-line speed", renderMessage,
                          [&a](Session& s) { return readerSpeed(s, parseSpeed(a.a)); });
  positional(speed, a.a, "BAUD", "9600, 19200, 38400, 57600 or 115200 (code:N for a raw code)");
}

void buildTypeA(Builder& b, CLI::App* root) {
  Args& a = b.args();
  CLI::App* g = b.group(root, "typea", "ISO/IEC 14443 Type A activation and APDUs");
  g->add_flag("--idle", a.idle, "ask idle cards only (REQA), not halted ones too (WUPA)");
  b.command(g, "request", "request: the cards' answer (ATQA)", renderTypeARequest,
            [&a](Session& s) { return typeARequest(s, a.idle); });
  b.command(g, "activate", "request, anticollision and select of the first card", renderTypeACard,
            [&a](Session& s) { return typeAActivate(s, a.idle); });
  auto* select = b.command(g, "select", "select the card with this serial", renderTypeACard,
                           [&a](Session& s) { return typeASelect(s, parseHex(a.a, "serial")); });
  positional(select, a.a, "SERIAL", "4 bytes in hex, as activate shows it");
  b.command(g, "halt", "halt the selected card", renderMessage,
            [](Session& s) { return typeAHalt(s); });
  auto* serial =
      b.command(g, "serial", "the first card's serial number in one step", renderTypeACard,
                [&a](Session& s) { return typeASerial(s, a.idle, a.halt); });
  serial->add_flag("--halt", a.halt, "halt the card afterwards");
  auto* apdu = b.command(g, "apdu", "send APDUs to the card and show the responses", renderApdu,
                         [&a](Session& s) {
                           std::optional<Bytes> serialBytes;
                           if (!a.serial.empty()) serialBytes = parseHex(a.serial, "serial");
                           return typeAApdu(s, parseApdus(a.many), serialBytes);
                         });
  apdu->add_option("APDU", a.many, "command APDUs in hex, sent in order")->required();
  apdu->add_option("--serial", a.serial,
                   "the card's 4-byte serial (default: the first card that takes APDUs)");
}

ClassicTarget classicTarget(const Args& a) {
  return ClassicTarget{parseClassicKey(a.key, a.keyType), &classicLayout(a.card)};
}

void buildClassic(Builder& b, CLI::App* root) {
  Args& a = b.args();
  CLI::App* g = b.group(root, "mf", "MIFARE Classic blocks, dumps and value blocks");
  g->add_option("-k,--key", a.key, "the key, 6 bytes in hex")->capture_default_str();
  g->add_option("-t,--key-type", a.keyType, "A or B")->capture_default_str();
  g->add_option("--card", a.card, "mini, 1k, 2k or 4k")->capture_default_str();

  auto* read = b.command(g, "read", "read blocks", renderClassicBlocks, [&a](Session& s) {
    return classicRead(s, classicTarget(a), number(a.a, 0, kMostBlockNumber, "block"),
                       number(a.count, 0, kMostBlockNumber, "block count"));
  });
  positional(read, a.a, "BLOCK", "the first block");
  read->add_option("-n,--count", a.count, "how many blocks (1 to 15)")->capture_default_str();

  auto* write = b.command(g, "write", "write blocks", renderMessage, [&a](Session& s) {
    return classicWrite(s, classicTarget(a), number(a.a, 0, kMostBlockNumber, "block"),
                        parseHex(a.b, "data"), a.trailer);
  });
  positional(write, a.a, "BLOCK", "the first block");
  positional(write, a.b, "DATA", "16 bytes per block, in hex");
  write->add_flag("--trailer", a.trailer, "allow writing sector trailers (keys and access bits)");

  b.command(g, "dump", "read every sector the key opens", renderClassicDump,
            [&a](Session& s) { return classicDump(s, classicTarget(a)); });

  CLI::App* v = b.group(g, "value", "value blocks");
  auto* init = b.command(
      v, "init", "make a block a value block holding VALUE", renderValue, [&a](Session& s) {
        return valueInit(
            s, classicTarget(a), number(a.a, 0, kMostBlockNumber, "block"),
            static_cast<std::int32_t>(parseNumber(a.b, kLeastValue, kMostValue, "value")));
      });
  positional(init, a.a, "BLOCK", "the block");
  positional(init, a.b, "VALUE", "a 32-bit signed value");
  auto change = [&](const char* name, const char* help, bool increment) {
    auto* c = b.command(v, name, help, renderValue, [&a, increment](Session& s) {
      return valueChange(s, classicTarget(a), number(a.a, 0, kMostBlockNumber, "block"),
                         static_cast<std::int32_t>(parseNumber(a.b, 0, kMostValue, "amount")),
                         increment);
    });
    positional(c, a.a, "BLOCK", "the value block");
    positional(c, a.b, "AMOUNT", "0 to 2147483647");
  };
  change("inc", "add AMOUNT to a value block", true);
  change("dec", "take AMOUNT from a value block", false);
  auto* show = b.command(v, "show", "the value a block holds", renderValue, [&a](Session& s) {
    return valueShow(s, classicTarget(a), number(a.a, 0, kMostBlockNumber, "block"));
  });
  positional(show, a.a, "BLOCK", "the value block");
  auto* restore = b.command(
      v, "restore", "copy the value of FROM into TO (same sector)", renderValue, [&a](Session& s) {
        return valueRestore(s, classicTarget(a), number(a.a, 0, kMostBlockNumber, "block"),
                            number(a.b, 0, kMostBlockNumber, "block"));
      });
  positional(restore, a.a, "FROM", "the value block to copy");
  positional(restore, a.b, "TO", "the block to copy it into");
}

void buildUltralight(Builder& b, CLI::App* root) {
  Args& a = b.args();
  CLI::App* g = b.group(root, "ul", "MIFARE Ultralight pages");
  g->add_flag("--idle", a.idle, "ask idle cards only, not halted ones too");
  b.command(g, "request", "the Ultralight's 7-byte UID", renderUltralight,
            [&a](Session& s) { return ultralightRequest(s, a.idle); });
  auto* read =
      b.command(g, "read", "read four pages from PAGE on", renderUltralight, [&a](Session& s) {
        return ultralightRead(s, a.idle, number(a.a, 0, kMostBlockNumber, "page"));
      });
  positional(read, a.a, "PAGE", "0 to 15");
  auto* write = b.command(g, "write", "write one page", renderUltralight, [&a](Session& s) {
    return ultralightWrite(s, a.idle, number(a.a, 0, kMostBlockNumber, "page"),
                           parseHex(a.b, "page data"), a.yes);
  });
  positional(write, a.a, "PAGE", "1 to 15");
  positional(write, a.b, "DATA", "4 bytes in hex");
  write->add_flag("--yes", a.yes, "allow pages 2 and 3, whose bits cannot be cleared");
}

void buildTypeB(Builder& b, CLI::App* root) {
  Args& a = b.args();
  CLI::App* g = b.group(root, "typeb", "ISO/IEC 14443 Type B cards");
  b.command(g, "request", "activate the first card: its answer (ATQB)", renderTypeBRequest,
            [](Session& s) { return typeBRequest(s); });
  b.command(g, "halt", "activate the first card, then halt it", renderMessage,
            [](Session& s) { return typeBHalt(s); });
  auto* id = b.command(g, "idserial", "the serial number of an identity card", renderTypeBIdSerial,
                       [&a](Session& s) { return typeBIdSerial(s, a.idle, a.halt); });
  id->add_flag("--idle", a.idle, "ask idle cards only, not halted ones too");
  id->add_flag("--halt", a.halt, "halt the card afterwards");
  auto* apdu = b.command(g, "apdu", "activate the first card, send APDUs, show the responses",
                         renderApdu, [&a](Session& s) { return typeBApdu(s, parseApdus(a.many)); });
  apdu->add_option("APDU", a.many, "command APDUs in hex, sent in order")->required();
}

void buildVicinity(Builder& b, CLI::App* root) {
  Args& a = b.args();
  CLI::App* g = b.group(root, "iso15693", "ISO/IEC 15693 vicinity tags");
  g->alias("15693");
  g->add_option("--uid", a.uid, "address the tag with this UID (8 bytes, as inventory shows it)");
  auto target = [&a] { return parseVicinityTarget(a.uid); };
  auto uid = [&a] {
    if (a.uid.empty()) throw UsageError("this command needs the tag's UID: --uid");
    return parseHexExact(a.uid, kVicinityUidSize, "UID");
  };
  b.command(g, "inventory", "the tags in the field", renderVicinityInventory,
            [](Session& s) { return vicinityInventory(s); });
  b.command(g, "quiet", "send the tag --uid to the quiet state", renderMessage,
            [uid](Session& s) { return vicinityStayQuiet(s, uid()); });
  b.command(g, "select", "select the tag --uid", renderMessage,
            [uid](Session& s) { return vicinitySelect(s, uid()); });
  b.command(g, "reset", "reset the tag to ready", renderMessage,
            [target](Session& s) { return vicinityResetToReady(s, target()); });
  auto* read = b.command(g, "read", "read blocks", renderVicinityBlocks, [&a, target](Session& s) {
    return vicinityRead(s, target(), number(a.a, 0, kMostBlockNumber, "block"),
                        number(a.count, 0, kMostBlockNumber, "block count"),
                        number(a.blockSize, 0, kMostBlockNumber, "block size"), a.lockStatus);
  });
  positional(read, a.a, "BLOCK", "the first block");
  read->add_option("-n,--count", a.count, "how many blocks")->capture_default_str();
  read->add_option("--block-size", a.blockSize, "bytes per block")->capture_default_str();
  read->add_flag("--lock-status", a.lockStatus, "show each block's lock status too");
  auto* write = b.command(g, "write", "write blocks", renderMessage, [&a, target](Session& s) {
    return vicinityWrite(s, target(), number(a.a, 0, kMostBlockNumber, "block"),
                         parseHex(a.b, "data"));
  });
  positional(write, a.a, "BLOCK", "the first block");
  positional(write, a.b, "DATA", "4 bytes per block, in hex");
  auto* lock =
      b.command(g, "lock", "lock a block for good", renderMessage, [&a, target](Session& s) {
        return vicinityLock(s, target(), number(a.a, 0, kMostBlockNumber, "block"), a.yes);
      });
  positional(lock, a.a, "BLOCK", "the block");
  lock->add_flag("--yes", a.yes, "yes, lock it");
  auto* security =
      b.command(g, "security", "the blocks' security status", renderVicinitySecurity,
                [&a, target](Session& s) {
                  return vicinitySecurity(s, target(), number(a.a, 0, kMostBlockNumber, "block"),
                                          number(a.count, 0, kMostBlockNumber, "block count"));
                });
  positional(security, a.a, "BLOCK", "the first block");
  security->add_option("-n,--count", a.count, "how many blocks")->capture_default_str();
  auto identifier = [&](const char* name, const char* help,
                        json (*set)(Session&, const VicinityTarget&, std::uint8_t),
                        json (*lockIt)(Session&, const VicinityTarget&, bool)) {
    CLI::App* id = b.group(g, name, help);
    auto* setCmd = b.command(
        id, "set", "write it", renderMessage,
        [&a, target, set, name](Session& s) { return set(s, target(), parseByte(a.a, name)); });
    positional(setCmd, a.a, "VALUE", "0 to 255, or 0x00 to 0xFF");
    auto* lockCmd =
        b.command(id, "lock", "lock it for good", renderMessage,
                  [&a, target, lockIt](Session& s) { return lockIt(s, target(), a.yes); });
    lockCmd->add_flag("--yes", a.yes, "yes, lock it");
  };
  identifier("afi", "the application family identifier", vicinityWriteAfi, vicinityLockAfi);
  identifier("dsfid", "the data storage format identifier", vicinityWriteDsfid, vicinityLockDsfid);
  b.command(g, "sysinfo", "the tag's system information", renderVicinitySystemInfo,
            [target](Session& s) { return vicinitySystemInfo(s, target()); });
  auto* raw =
      b.command(g, "raw", "send a request of your own (flags, command, parameters)", renderRaw,
                [&a](Session& s) { return vicinityRaw(s, parseHex(a.a, "request")); });
  positional(raw, a.a, "REQUEST", "the request in hex");
}

// "mf read" for the deepest command the parser got to.
std::string commandName(const CLI::App& app) {
  std::string name;
  const CLI::App* at = &app;
  while (true) {
    const auto parsed = at->get_subcommands();
    if (parsed.empty()) break;
    at = parsed.front();
    name += (name.empty() ? "" : " ") + at->get_name();
  }
  return name;
}

void printCalls(const std::vector<Call>& calls, std::ostream& out) {
  Table t({{"call"}, {"result", Align::kRight}, {"meaning"}});
  for (const Call& c : calls) {
    std::string meaning = resultMeaning(c.fn, c.result);
    if (c.detail)
      meaning += ": " + detailMeaning(*c.detail) + " (detail " + hexByte(*c.detail) + ")";
    t.row({std::string(functionName(c.fn)), std::to_string(c.result), meaning});
  }
  out << '\n';
  t.print(out);
}

json errorJson(const std::string& name, const std::string& message, const std::vector<Call>& calls,
               const CallFailed* call) {
  json e = {{"message", message}};
  if (call) {
    e["function"] = std::string(functionName(call->fn()));
    e["result"] = resultJson(call->fn(), call->result(), call->detail());
  }
  return {{"command", name}, {"ok", false}, {"error", std::move(e)}, {"calls", callsJson(calls)}};
}

}  // namespace

int run(int argc, const char* const* argv, Reader& reader, Streams streams) {
  Args args;
  Prepared prepared;
  CLI::App app{"vexa: the contactless reader, through the vexa library", "vexa"};
  app.require_subcommand(1);
  app.add_flag("--json", args.json, "print the result as JSON, for scripts");
  app.add_flag("-v,--verbose", args.verbose, "list every library call with its result");
  app.set_version_flag("--version", VEXA_VERSION_STRING);
  Builder b(app, args, prepared);
  b.command(&app, "library", "the library the tool runs on", renderLibraryInfo,
            [](Session& s) { return libraryInfo(s); });
  b.command(&app, "scan", "everything in the field, by family", renderScan,
            [](Session& s) { return scan(s); });
  buildReader(b, &app);
  buildTypeA(b, &app);
  buildClassic(b, &app);
  buildUltralight(b, &app);
  buildTypeB(b, &app);
  buildVicinity(b, &app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    streams.out << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    streams.out << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::CallForVersion&) {
    streams.out << VEXA_VERSION_STRING << '\n';
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    const std::string name = commandName(app);
    const auto left = app.remaining(true);
    // A word where a command should be is left over, and CLI11 only says
    // that a command is missing.
    const std::string what = dynamic_cast<const CLI::RequiredError*>(&e) && !left.empty()
                                 ? "'" + left.front() + "' is not a command"
                                 : std::string(e.what());
    streams.err << "vexa" << (name.empty() ? "" : " " + name) << ": " << what << " (see vexa "
                << (name.empty() ? "" : name + " ") << "--help)\n";
    return kExitUsage;
  }

  Session session(reader, streams.errIsTerminal && !args.json ? &streams.err : nullptr);
  auto fail = [&](const std::exception& e, const CallFailed* call, int status) {
    session.endProgress();
    streams.err << "vexa " << prepared.name << ": " << e.what() << '\n';
    if (args.json) {
      streams.out << errorJson(prepared.name, e.what(), session.calls(), call).dump(kJsonIndent)
                  << '\n';
    } else if (args.verbose && !session.calls().empty()) {
      printCalls(session.calls(), streams.out);
    }
    return status;
  };
  json data;
  try {
    data = prepared.action(session);
  } catch (const UsageError& e) {
    return fail(e, nullptr, kExitUsage);
  } catch (const CallFailed& e) {
    return fail(e, &e, kExitCallFailed);
  } catch (const CommandFailed& e) {
    return fail(e, nullptr, kExitCallFailed);
  }
  // A command that went on past a failure (scan) says so in "failed".
  const bool failed = data.contains("failed");
  if (args.json) {
    json envelope = {{"command", prepared.name}, {"ok", !failed}};
    envelope.update(data);
    envelope["calls"] = callsJson(session.calls());
    streams.out << envelope.dump(kJsonIndent) << '\n';
  } else {
    prepared.render(data, streams.out);
    if (args.verbose) printCalls(session.calls(), streams.out);
  }
  if (failed) {
    streams.err << "vexa " << prepared.name << ": " << data["failed"].get<std::string>() << '\n';
    return kExitCallFailed;
  }
  return kExitOk;
}

}  // namespace vexa::cli
