#include "errorreporter/MinidumpWriter.h"

#include "errorreporter/ByteWriter.h"
#include "errorreporter/ProcessAttachment.h"
#include "errorreporter/ProcessMemory.h"
#include "errorreporter/ThreadContext.h"

#include <algorithm>
#include <cpuid.h>
#include <cstring>
#include <ctime>
#include <sys/utsname.h>
#include <unistd.h>

namespace QeltErrorReporting
{
namespace
{
constexpr std::uint32_t kSignature = 0x504d444d; // "MDMP"
constexpr std::uint32_t kVersion = 0xa793;
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDirectoryEntrySize = 12;

enum StreamType : std::uint32_t
{
    kThreadList = 3,
    kModuleList = 4,
    kMemoryList = 5,
    kException = 6,
    kSystemInfo = 7,
    kMemory64List = 9,
    kCommentW = 11,
    kMiscInfo = 15,
    // Streams of our own, past the range the format reserves: the comments after the first.
    kFurtherCommentW = 0x51450000,
};

constexpr std::uint16_t kArchitectureAmd64 = 9;
constexpr std::uint32_t kPlatformLinux = 0x8201;
// How much of a stack is kept below its top: deep enough for any sane call chain.
constexpr std::size_t kMaximumStack = 512 * 1024;
// Below the stack pointer, the red zone a leaf function may use without moving it.
constexpr std::uint64_t kRedZone = 128;
constexpr std::uint64_t kAroundFault = 1024;
// Mappings this large are reservations (sanitizer shadow, say), not data.
constexpr std::uint64_t kLargestMapping = 4ull << 30;
constexpr std::size_t kReadChunk = 1 << 20;

struct Location
{
    std::uint32_t size = 0;
    std::uint32_t rva = 0;
};

struct MemoryRange
{
    std::uint64_t start = 0;
    Location location;
};

struct ThreadEntry
{
    pid_t thread = 0;
    MemoryRange stack;
    Location context;
};

class MinidumpBuilder
{
public:
    MinidumpBuilder(std::FILE* file, const ProcessAttachment& process, const DumpContents& contents)
        : file_(file), process_(process), contents_(contents), memory_(process.ProcessID()),
          mappings_(ReadMappings(process.ProcessID()))
    {
    }

    bool Write();

private:
    std::size_t StreamCount() const;
    Location Append(const ByteWriter& bytes);
    Location AppendBytes(const std::vector<std::uint8_t>& bytes);
    void AddStream(std::uint32_t type, Location location);
    MemoryRange AppendMemory(std::uint64_t start, std::uint64_t end);

    void WriteThreads();
    ThreadEntry WriteThread(pid_t thread);
    void WriteModules();
    void WriteMemoryList();
    void WriteMemory64List();
    void WriteException();
    void WriteSystemInfo();
    void WriteMiscInfo();
    void WriteComments();
    bool WriteHeader();

    std::FILE* file_;
    const ProcessAttachment& process_;
    const DumpContents& contents_;
    ProcessMemory memory_;
    std::vector<MemoryMapping> mappings_;
    std::uint64_t end_ = 0;
    bool failed_ = false;
    ByteWriter directory_;
    std::vector<ThreadEntry> threads_;
    Location crashContext_;
};

void AppendLocation(ByteWriter& writer, Location location)
{
    writer.U32(location.size);
    writer.U32(location.rva);
}

void AppendMemoryDescriptor(ByteWriter& writer, const MemoryRange& range)
{
    writer.U64(range.start);
    AppendLocation(writer, range.location);
}

bool WriteAt(std::FILE* file, std::uint64_t offset, const std::vector<std::uint8_t>& bytes)
{
    return ::fseeko(file, off_t(offset), SEEK_SET) == 0 &&
           std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool IsElfFile(const ProcessMemory& memory, std::uint64_t address)
{
    char magic[4] = {};
    return memory.ReadExactly(address, magic, sizeof(magic)) && std::memcmp(magic,
                                                                            "\x7f"
                                                                            "ELF",
                                                                            4) == 0;
}

std::size_t MinidumpBuilder::StreamCount() const
{
    // System, misc, threads, modules, memory, the comments and maybe the exception.
    return 5 + contents_.comments.size() + (contents_.crash ? 1 : 0);
}

Location MinidumpBuilder::AppendBytes(const std::vector<std::uint8_t>& bytes)
{
    // Records start on 8-byte boundaries, as readers mapping the file expect.
    end_ = (end_ + 7) & ~std::uint64_t(7);
    if (!WriteAt(file_, end_, bytes))
        failed_ = true;
    const Location location{static_cast<std::uint32_t>(bytes.size()),
                            static_cast<std::uint32_t>(end_)};
    end_ += bytes.size();
    return location;
}

Location MinidumpBuilder::Append(const ByteWriter& bytes)
{
    return AppendBytes(bytes.Data());
}

void MinidumpBuilder::AddStream(std::uint32_t type, Location location)
{
    directory_.U32(type);
    AppendLocation(directory_, location);
}

MemoryRange MinidumpBuilder::AppendMemory(std::uint64_t start, std::uint64_t end)
{
    return {start, AppendBytes(memory_.Read(start, std::size_t(end - start)))};
}

ThreadEntry MinidumpBuilder::WriteThread(pid_t thread)
{
    Farrowkit::CrashRegisters registers = {};
    const bool crashed = contents_.crash && contents_.crash->threadID == thread;
    if (crashed)
        registers = contents_.crash->registers;
    else
        ReadThreadRegisters(thread, registers);

    ThreadEntry entry;
    entry.thread = thread;
    ByteWriter context;
    AppendContext(context, registers);
    entry.context = Append(context);
    if (crashed)
        crashContext_ = entry.context;
    const std::uint64_t stackPointer = registers.rsp - std::min(registers.rsp, kRedZone);
    if (const MemoryMapping* stack = FindMapping(mappings_, stackPointer))
        entry.stack =
            AppendMemory(stackPointer, std::min(stack->end, stackPointer + kMaximumStack));
    return entry;
}

void MinidumpBuilder::WriteThreads()
{
    for (const pid_t thread : process_.Threads())
        threads_.push_back(WriteThread(thread));
    ByteWriter list;
    list.U32(static_cast<std::uint32_t>(threads_.size()));
    for (const ThreadEntry& entry : threads_)
    {
        list.U32(static_cast<std::uint32_t>(entry.thread));
        list.Zeros(3 * 4 + 8); // suspend count, priority class, priority, thread block
        AppendMemoryDescriptor(list, entry.stack);
        AppendLocation(list, entry.context);
    }
    AddStream(kThreadList, Append(list));
}

void MinidumpBuilder::WriteModules()
{
    struct Module
    {
        std::uint64_t base, end;
        Location name;
    };
    std::vector<Module> modules;
    for (std::size_t i = 0; i < mappings_.size(); ++i)
    {
        const MemoryMapping& first = mappings_[i];
        if (first.path.empty() || first.path[0] != '/' || first.fileOffset != 0 ||
            !IsElfFile(memory_, first.start))
            continue;
        std::uint64_t end = first.end;
        while (i + 1 < mappings_.size() && mappings_[i + 1].path == first.path)
            end = mappings_[++i].end;
        ByteWriter name;
        name.CountedString(ToUtf16(first.path));
        modules.push_back({first.start, end, Append(name)});
    }
    ByteWriter list;
    list.U32(static_cast<std::uint32_t>(modules.size()));
    for (const Module& module : modules)
    {
        list.U64(module.base);
        list.U32(static_cast<std::uint32_t>(module.end - module.base));
        list.Zeros(2 * 4); // checksum, time stamp
        list.U32(module.name.rva);
        list.Zeros(13 * 4 + 2 * 8 + 2 * 8); // version information, record locations, reserved
    }
    AddStream(kModuleList, Append(list));
}

void MinidumpBuilder::WriteMemoryList()
{
    std::vector<MemoryRange> ranges;
    for (const ThreadEntry& entry : threads_)
    {
        if (entry.stack.location.size > 0)
            ranges.push_back(entry.stack);
    }
    if (contents_.crash)
    {
        for (const std::uint64_t address :
             {contents_.crash->faultAddress, contents_.crash->registers.rip})
        {
            const MemoryMapping* mapping = FindMapping(mappings_, address);
            if (mapping == nullptr || !mapping->readable)
                continue;
            const std::uint64_t start =
                std::max(mapping->start, address - std::min(address, kAroundFault));
            const MemoryRange range =
                AppendMemory(start, std::min(mapping->end, address + kAroundFault));
            if (range.location.size > 0)
                ranges.push_back(range);
        }
    }
    ByteWriter list;
    list.U32(static_cast<std::uint32_t>(ranges.size()));
    for (const MemoryRange& range : ranges)
        AppendMemoryDescriptor(list, range);
    AddStream(kMemoryList, Append(list));
}

// The descriptors come first and the memory after them, in one block at the end of the file.
// Room is reserved for one range per mapping; a mapping is cut short at the first chunk that
// cannot be read, and left out when nothing of it can.
void MinidumpBuilder::WriteMemory64List()
{
    std::vector<const MemoryMapping*> candidates;
    for (const MemoryMapping& mapping : mappings_)
    {
        if (mapping.readable && mapping.end - mapping.start <= kLargestMapping &&
            mapping.path != "[vvar]")
            candidates.push_back(&mapping);
    }
    ByteWriter reserved;
    reserved.Zeros(16 + 16 * candidates.size());
    const Location listLocation = Append(reserved);
    const std::uint64_t base = end_;

    ByteWriter list;
    list.U64(0);
    list.U64(base);
    std::uint32_t count = 0;
    for (const MemoryMapping* mapping : candidates)
    {
        std::uint64_t size = 0;
        for (std::uint64_t at = mapping->start; at < mapping->end; at += kReadChunk)
        {
            const std::size_t wanted =
                std::size_t(std::min<std::uint64_t>(kReadChunk, mapping->end - at));
            const std::vector<std::uint8_t> bytes = memory_.Read(at, wanted);
            if (!WriteAt(file_, end_, bytes))
                failed_ = true;
            end_ += bytes.size();
            size += bytes.size();
            if (bytes.size() < wanted)
                break;
        }
        if (size == 0)
            continue;
        list.U64(mapping->start);
        list.U64(size);
        ++count;
    }
    std::vector<std::uint8_t> listBytes = list.Data();
    for (int i = 0; i < 8; ++i)
        listBytes[std::size_t(i)] = static_cast<std::uint8_t>(std::uint64_t(count) >> (8 * i));
    if (!WriteAt(file_, listLocation.rva, listBytes))
        failed_ = true;
    AddStream(kMemory64List, {static_cast<std::uint32_t>(listBytes.size()), listLocation.rva});
}

// Signal number, signal code and faulting address take the places of the exception code, flags
// and address, as readers of dumps of Linux processes expect.
void MinidumpBuilder::WriteException()
{
    const Farrowkit::CrashRecord& crash = *contents_.crash;
    ByteWriter stream;
    stream.U32(static_cast<std::uint32_t>(crash.threadID));
    stream.U32(0);
    stream.U32(static_cast<std::uint32_t>(crash.signal));
    stream.U32(static_cast<std::uint32_t>(crash.code));
    stream.U64(0); // no chained record
    stream.U64(crash.faultAddress);
    stream.U32(0); // no parameters
    stream.U32(0);
    stream.Zeros(15 * 8);
    AppendLocation(stream, crashContext_);
    AddStream(kException, Append(stream));
}

std::uint32_t ReleasePart(const char* release, int index)
{
    unsigned parts[3] = {};
    std::sscanf(release, "%u.%u.%u", &parts[0], &parts[1], &parts[2]);
    return parts[index];
}

void AppendCpuInformation(ByteWriter& writer)
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __get_cpuid(0, &eax, &ebx, &ecx, &edx);
    // The vendor text is spread over EBX, EDX and ECX in that order.
    writer.U32(ebx);
    writer.U32(edx);
    writer.U32(ecx);
    __get_cpuid(1, &eax, &ebx, &ecx, &edx);
    writer.U32(eax);
    writer.U32(edx);
    writer.U32(0);
}

void MinidumpBuilder::WriteSystemInfo()
{
    utsname names = {};
    ::uname(&names);
    ByteWriter version;
    version.CountedString(ToUtf16(std::string(names.sysname) + " " + names.release + " " +
                                  names.version + " " + names.machine));
    const Location versionLocation = Append(version);

    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __get_cpuid(1, &eax, &ebx, &ecx, &edx);
    ByteWriter stream;
    stream.U16(kArchitectureAmd64);
    stream.U16(static_cast<std::uint16_t>((eax >> 8) & 0xF)); // family
    stream.U16(static_cast<std::uint16_t>(((eax >> 4) & 0xF) << 8 | (eax & 0xF)));
    stream.U8(static_cast<std::uint8_t>(std::min(255L, ::sysconf(_SC_NPROCESSORS_ONLN))));
    stream.U8(1); // workstation
    for (int part = 0; part < 3; ++part)
        stream.U32(ReleasePart(names.release, part));
    stream.U32(kPlatformLinux);
    stream.U32(versionLocation.rva);
    stream.U16(0); // suite mask
    stream.U16(0);
    AppendCpuInformation(stream);
    AddStream(kSystemInfo, Append(stream));
}

void MinidumpBuilder::WriteMiscInfo()
{
    ByteWriter stream;
    stream.U32(24);
    stream.U32(1); // only the process ID is valid
    stream.U32(static_cast<std::uint32_t>(process_.ProcessID()));
    stream.Zeros(3 * 4);
    AddStream(kMiscInfo, Append(stream));
}

// The first comment is the dump's UTF-16 comment stream. Readers refuse a dump that holds two
// streams of one type, so each further comment, written the same way, has a type of its own.
void MinidumpBuilder::WriteComments()
{
    for (std::size_t index = 0; index < contents_.comments.size(); ++index)
    {
        ByteWriter stream;
        for (const char16_t unit : ToUtf16(contents_.comments[index]))
            stream.U16(unit);
        stream.U16(0);
        AddStream(index == 0 ? kCommentW : kFurtherCommentW + std::uint32_t(index), Append(stream));
    }
}

bool MinidumpBuilder::WriteHeader()
{
    ByteWriter header;
    header.U32(kSignature);
    header.U32(kVersion);
    header.U32(static_cast<std::uint32_t>(StreamCount()));
    header.U32(static_cast<std::uint32_t>(kHeaderSize));
    header.U32(0); // checksum
    header.U32(static_cast<std::uint32_t>(std::time(nullptr)));
    header.U64(0); // flags
    header.Bytes(directory_.Data().data(), directory_.Size());
    return WriteAt(file_, 0, header.Data());
}

bool MinidumpBuilder::Write()
{
    if (mappings_.empty())
        return false;
    end_ = kHeaderSize + kDirectoryEntrySize * StreamCount();
    WriteSystemInfo();
    WriteMiscInfo();
    WriteThreads();
    WriteModules();
    if (contents_.crash)
        WriteException();
    WriteComments();
    if (contents_.detailed)
        WriteMemory64List();
    else
        WriteMemoryList();
    return WriteHeader() && !failed_ && std::fflush(file_) == 0;
}
} // namespace

bool WriteMinidump(std::FILE* file, const ProcessAttachment& process, const DumpContents& contents)
{
    return MinidumpBuilder(file, process, contents).Write();
}
} // namespace QeltErrorReporting
