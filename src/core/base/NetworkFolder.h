#pragma once

#include <QString>

#include <cstdint>

// Whether a folder lies on a filesystem reached over the network (NFS, SMB,
// sshfs ...), where the engine's file locks cannot be trusted: several
// programs writing the same archive file there at once may damage it.
namespace orvena::networkfolder {

// The name of the network filesystem with the magic number statfs() gives
// (f_type), or the empty text for a local one. A FUSE filesystem is told by
// its subtype ("sshfs" from "fuse.sshfs" in the mount table): only those that
// reach another machine count.
QString kindOf(std::uint64_t magic, const QString& fuseSubtype = {});

// The network filesystem folder lies on, or the empty text when it is local or
// cannot be told (a folder that statfs() cannot read counts as local).
QString kindOfFolder(const QString& folder);

} // namespace orvena::networkfolder
