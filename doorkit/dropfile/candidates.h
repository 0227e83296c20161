// The drop-file names searched for, in order, and the format each is read in.
#ifndef DOORKIT_DROPFILE_CANDIDATES_H
#define DOORKIT_DROPFILE_CANDIDATES_H

#include <array>
#include <cstdint>

enum class ODDropFormat : std::uint8_t {
    ExitInfo,  // followed by dorinfo1.def from the same directory
    Dorinfo,
    ChainTxt,
    SFDoors,
    DoorSys,
    CallInfo,
    TriBBSSys,
    Door32Sys,
};

struct ODDropCandidate {
    const char* name;  // null: the node's DORINFO name
    ODDropFormat format;
};

constexpr int OD_CANDIDATE_EXITINFO = 0;
constexpr int OD_CANDIDATE_DORINFO = 1;
constexpr int OD_CANDIDATE_CHAINTXT = 2;

inline constexpr std::array<ODDropCandidate, 12> kDropCandidates{{
    {"exitinfo.bbs", ODDropFormat::ExitInfo},
    {nullptr, ODDropFormat::Dorinfo},
    {"chain.txt", ODDropFormat::ChainTxt},
    {"sfdoors.dat", ODDropFormat::SFDoors},
    {"door.sys", ODDropFormat::DoorSys},
    {"callinfo.bbs", ODDropFormat::CallInfo},
    {"sfmain.dat", ODDropFormat::SFDoors},
    {"sffile.dat", ODDropFormat::SFDoors},
    {"sfmess.dat", ODDropFormat::SFDoors},
    {"sfsysop.dat", ODDropFormat::SFDoors},
    {"tribbs.sys", ODDropFormat::TriBBSSys},
    {"door32.sys", ODDropFormat::Door32Sys},
}};

// Environment variables that may name a BBS's drop-file directory.
inline constexpr std::array<const char*, 6> kDropDirVariables{
    "RA", "QUICK", "PCB", "BBS", "WCNODEID", "SBBSNODE"};

// The companion of EXITINFO.BBS.
inline constexpr const char* kExitInfoCompanion = "dorinfo1.def";

#endif
