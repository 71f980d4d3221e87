// noctl's exchange commands: export writes an object's frame to a file, import inserts a
// frame's object into the installation (or merges it into the object with its key), decode
// prints a frame section by section without opening a database.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "Context.h"
#include "nameobject.h"

namespace {

struct ExchangeArgs {
    unsigned int classID = 0;
    std::string id, file, output;
};

// The bytes of a file, or of standard input ("-") read as hexadecimal text.
bool ReadFrame(const std::string& file, std::vector<std::uint8_t>& bytes) {
    if (file == "-") {
        std::string hex, token;
        while (std::cin >> token) hex += token;
        if (hex.size() % 2 != 0) return false;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            std::uint32_t value = 0;
            if (!ParseNumber("0x" + hex.substr(i, 2), value)) return false;
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

constexpr std::pair<std::uint32_t, const char*> kSectionNames[] = {
    {SECTION_BASIC_DATA, "basic data"},    {SECTION_EXT_DATA, "extension data"},
    {SECTION_EXT_ATTRIBUTE, "attributes"}, {SECTION_REST_DATA, "rest data"},
    {SECTION_OBJECT_IMAGE, "images"},      {SECTION_EXT_PROPERTY, "properties"}};

// The object a frame holds; null after a one-line message when it is truncated or malformed.
std::shared_ptr<CNameObject> DecodeFrame(const std::vector<std::uint8_t>& bytes,
                                         std::uint32_t header[5]) {
    CBufferReader reader(bytes.data(), static_cast<int>(bytes.size()));
    for (int i = 0; i < 5; ++i) {
        if (!reader.Read(header[i])) {
            std::fprintf(stderr, "noctl: truncated frame: %zu bytes, the header alone needs 20\n",
                         bytes.size());
            return nullptr;
        }
    }
    if (static_cast<std::int64_t>(header[4]) > reader.Remaining()) {
        std::fprintf(stderr,
                     "noctl: truncated frame: the header announces %u body bytes, %d follow\n",
                     header[4], reader.Remaining());
        return nullptr;
    }
    reader.SetPosition(0);
    int result = 0;
    auto object = CNameObject::CreateOfBuffer(reader, result, 0);
    if (!object) {
        std::fprintf(
            stderr, "noctl: cannot decode the frame of class %u: %s\n", header[0],
            GetClsInfo(header[0]) ? "a section is malformed" : "the class is not registered");
    }
    return object;
}

int RunExport(const Context& ctx, const ExchangeArgs& a) {
    std::uint32_t id = 0;
    if (!ParseNumber(a.id, id)) return Usage("\"" + a.id + "\" is not an object ID");
    if (int rc = ctx.StartUp()) return rc;
    auto object = FindLoaded(a.classID, id);
    if (!object) return Finish(kExitRefused);
    CBufferWriter writer;
    if (!object->SaveData(writer, SECTION_WHOLE_OBJECT))
        return Fail("cannot write the frame of " + Describe(*object));
    if (a.output.empty()) {
        for (int i = 0; i < writer.GetLength(); ++i)
            std::printf("%02x%s", writer.GetData()[i], i % 32 == 31 ? "\n" : "");
        std::printf("\n");
        return Finish(kExitOk);
    }
    std::ofstream out(a.output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(writer.GetData()), writer.GetLength());
    out.close();
    if (!out) return Fail("cannot write \"" + a.output + "\"");
    std::printf("exported %s to %s (%d bytes)\n", Describe(*object).c_str(), a.output.c_str(),
                writer.GetLength());
    return Finish(kExitOk);
}

int RunDecode(const Context& ctx, const ExchangeArgs& a) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFrame(a.file, bytes)) return Fail("cannot read a frame from \"" + a.file + "\"");
    // The installation's classes when one is given; no database is opened.
    if (!ctx.dir.empty() && !InitAllClassInfo(CString::FromUtf8(ctx.dir)))
        return Fail("cannot register the classes");
    SetIsServerMode(false);  // a frame is data: nothing loads from a database
    std::uint32_t header[5] = {};
    auto object = DecodeFrame(bytes, header);
    if (!object) return kExitRefused;
    Json j = ShowJson(*object);
    Json sections = Json::array();
    for (const auto& [bit, name] : kSectionNames) {
        if (header[3] == SECTION_WHOLE_OBJECT || (header[3] & bit)) sections.push_back(name);
    }
    j["frame"] = {{"bytes", bytes.size()},
                  {"sectionMask", header[3]},
                  {"bodyBytes", header[4]},
                  {"sections", sections}};
    if (ctx.json) {
        PrintJson(j);
        return kExitOk;
    }
    std::printf(
        "frame: %zu bytes, class %u, ID 0x%08X, server 0x%08X, sections 0x%02X (%s), body %u "
        "bytes\n",
        bytes.size(), header[0], header[1], header[2], header[3],
        j["frame"]["sections"].dump().c_str(), header[4]);
    PrintShow(j);
    return kExitOk;
}

int RunImport(const Context& ctx, const ExchangeArgs& a) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFrame(a.file, bytes)) return Usage("cannot read a frame from \"" + a.file + "\"");
    if (int rc = ctx.StartUp()) return rc;
    std::uint32_t header[5] = {};
    auto incoming = DecodeFrame(bytes, header);
    if (!incoming) return Finish(kExitRefused);
    CObjectNotifyManager* notify = CObjectNotifyManager::GetInstance();
    CADODatabase* db = GetDatabase();
    if (auto existing =
            GDM_Find(incoming->GetObjectClassID(), incoming->GetID(), incoming->GetServerNO())) {
        if (std::int32_t veto = notify->OnBeforeObjectChange(existing, incoming, SECTION_ALL);
            veto < 0) {
            return Refused("import vetoed", veto);
        }
        std::uint32_t changed = 0;
        std::int32_t rc = db->BeginTransaction()
                              ? existing->OnObjectChange(incoming, changed, SECTION_ALL)
                              : E_DATABASE_OPERATION;
        if (rc == 0 && changed) rc = existing->UpdateRecord();
        if (rc != 0 || !db->CommitTransaction()) {
            db->RollbackTransaction();
            return Refused("cannot merge " + Describe(*incoming), rc ? rc : E_DATABASE_OPERATION);
        }
        notify->OnAfterObjectChange(existing, incoming, SECTION_ALL, changed);
        std::printf("merged %s (sections 0x%02X)\n", Describe(*existing).c_str(), changed);
        return Finish(kExitOk);
    }
    if (std::int32_t veto = notify->OnBeforeObjectInsert(incoming, nullptr); veto < 0)
        return Refused("import vetoed", veto);
    if (std::int32_t rc = CNameObject::InsertObject(incoming))
        return Refused("cannot insert " + Describe(*incoming), rc);
    notify->OnAfterObjectInsert(incoming, nullptr);
    SaveObjectIDToDatabase();
    std::printf("imported %s\n", Describe(*incoming).c_str());
    return Finish(kExitOk);
}

}  // namespace

void AddExchangeCommands(CLI::App& app, Context& ctx, Commands& commands) {
    auto a = std::make_shared<ExchangeArgs>();
    CLI::App* exp =
        AddCommand(app, "export", "write an object's frame (every section) to a file, or as hex",
                   "noctl --dir site export 62 0x01000108 -o area.frame");
    exp->add_option("CLASS", a->classID, "class ID")->required();
    exp->add_option("ID", a->id, "object ID")->required();
    exp->add_option("-o,--output", a->output, "file to write (default: hex on standard output)");
    commands.push_back(
        {exp, [a, &ctx] { return ctx.Resolve() ? kExitUsage : RunExport(ctx, *a); }});

    CLI::App* imp = AddCommand(
        app, "import", "insert the object of a frame, or merge it into the object with its key",
        "noctl --dir other-site import area.frame");
    imp->add_option("FILE", a->file, "frame file, or - for hex on standard input")->required();
    commands.push_back(
        {imp, [a, &ctx] { return ctx.Resolve() ? kExitUsage : RunImport(ctx, *a); }});

    CLI::App* dec = AddCommand(
        app, "decode", "print a frame section by section without opening a database",
        "noctl export 62 0x01000108 | noctl --dir site decode - --json   # show's shape plus "
        "\"frame\":{\"bytes\",\"sectionMask\",\"bodyBytes\",\"sections\"}");
    dec->add_option("FILE", a->file, "frame file, or - for hex on standard input")->required();
    AddJsonFlag(dec, ctx);
    commands.push_back({dec, [a, &ctx] {
                            if (ctx.dir.empty() && std::getenv("NAMEOBJECT_HOME"))
                                ctx.dir = std::getenv("NAMEOBJECT_HOME");
                            if (!ctx.dir.empty() && ctx.dir.back() != '/') ctx.dir += '/';
                            return RunDecode(ctx, *a);
                        }});
}
