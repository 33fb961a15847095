// Reads what the tests check in an ELF core file: the threads in note order,
// their registers, the notes present and the memory of the PT_LOAD segments.
#pragma once

#include "crashreport/dump/ThreadRegisters.h"

#include <elf.h>
#include <sys/procfs.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

class CoreFile {
  public:
    [[nodiscard]] bool Parse(const std::string& bytes) {
        m_bytes = bytes;
        Elf64_Ehdr elf;
        if (bytes.size() < sizeof elf)
            return false;
        std::memcpy(&elf, bytes.data(), sizeof elf);
        if (std::memcmp(elf.e_ident, ELFMAG, SELFMAG) != 0 || elf.e_type != ET_CORE)
            return false;
        for (int i = 0; i < elf.e_phnum; ++i) {
            Elf64_Phdr phdr;
            const size_t at = elf.e_phoff + i * sizeof phdr;
            if (at + sizeof phdr > bytes.size())
                return false;
            std::memcpy(&phdr, bytes.data() + at, sizeof phdr);
            if (phdr.p_offset + phdr.p_filesz > bytes.size())
                return false;
            if (phdr.p_type == PT_LOAD)
                m_loads.push_back(phdr);
            else if (phdr.p_type == PT_NOTE && !ParseNotes(phdr))
                return false;
        }
        return true;
    }

    const std::vector<pid_t>& ThreadIds() const { return m_threads; }
    const std::vector<ThreadRegs>& Registers() const { return m_regs; }
    bool HasNote(uint32_t type) const { return m_noteTypes.count(type) > 0; }
    // The core's bytes for `size` bytes at `address`, or "" when no segment
    // holds them all.
    std::string MemoryAt(uint64_t address, size_t size) const {
        for (const Elf64_Phdr& load : m_loads) {
            if (address >= load.p_vaddr && address + size <= load.p_vaddr + load.p_filesz)
                return m_bytes.substr(load.p_offset + (address - load.p_vaddr), size);
        }
        return std::string();
    }

  private:
    bool ParseNotes(const Elf64_Phdr& phdr) {
        size_t at = phdr.p_offset;
        const size_t end = phdr.p_offset + phdr.p_filesz;
        while (at + sizeof(Elf64_Nhdr) <= end) {
            Elf64_Nhdr note;
            std::memcpy(&note, m_bytes.data() + at, sizeof note);
            at += sizeof note + ((note.n_namesz + 3) & ~3u);
            if (at + note.n_descsz > end)
                return false;
            m_noteTypes.insert(note.n_type);
            if (note.n_type == NT_PRSTATUS && note.n_descsz == sizeof(elf_prstatus)) {
                elf_prstatus status;
                std::memcpy(&status, m_bytes.data() + at, sizeof status);
                m_threads.push_back(status.pr_pid);
                ThreadRegs regs;
                std::memcpy(&regs, &status.pr_reg, sizeof regs);
                m_regs.push_back(regs);
            }
            at += (note.n_descsz + 3) & ~3u;
        }
        return true;
    }

    std::string m_bytes;
    std::vector<Elf64_Phdr> m_loads;
    std::vector<pid_t> m_threads;
    std::vector<ThreadRegs> m_regs;
    std::set<uint32_t> m_noteTypes;
};

} // namespace testsupport
