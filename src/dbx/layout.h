#pragma once
// The on-disk layout of an Outlook Express 5/6 mailbox (.dbx), as far as
// quernel reads it: every offset and magic value that the reader uses.
// All integers are little-endian.

#include <cstdint>

namespace quernel::dbx {

// File header.
inline constexpr uint32_t kSignatureMagic = 0xFE12ADCF;     // S0 of OE5/6 files
inline constexpr uint32_t kSignatureMessages = 0x6F74FDC5;  // S1 of a mailbox
inline constexpr uint32_t kSignatureFolders = 0x6F74FDC6;   // S1 of Folders.dbx
inline constexpr uint32_t kSignatureWord2 = 0x11D1E366;
inline constexpr uint32_t kSignatureWord3 = 0xC0004E9A;
inline constexpr uint32_t kOldVersionMagic = 0x36464D4A;    // "JMF6"
inline constexpr uint32_t kOldVersionWord1 = 0x00010003;
inline constexpr uint32_t kSignatureSize = 16;
inline constexpr uint64_t kHeaderSize = 0x24BC;  // what real files reserve
inline constexpr uint64_t kHeaderEntryCount = 0xC4;
inline constexpr uint64_t kHeaderRootNode = 0xE4;

// Index tree node.
inline constexpr uint64_t kNodeFirstChild = 0x08;
inline constexpr uint64_t kNodeEntryCount = 0x11;       // u8
inline constexpr uint64_t kNodeFirstChildValues = 0x14;
inline constexpr uint64_t kNodeEntries = 0x18;
inline constexpr uint64_t kNodeEntrySize = 12;
inline constexpr uint64_t kEntryValue = 0;
inline constexpr uint64_t kEntryChild = 4;
inline constexpr uint64_t kEntryChildValues = 8;

// Message record.
inline constexpr uint64_t kRecordLength = 0x04;  // u32, the body's length
inline constexpr uint64_t kRecordPropertyCount = 0x0A;  // u8
inline constexpr uint64_t kRecordProperties = 0x0C;
inline constexpr uint64_t kPropertyEntrySize = 4;

// Entries whose id has this bit keep their value in the entry itself.
inline constexpr uint8_t kDirectPropertyBit = 0x80;

// Property ids.
inline constexpr uint8_t kPropFlagsIndirect = 0x01;  // a u32 in the data area
inline constexpr uint8_t kPropFlagsDirect = 0x81;    // the entry's u24 value
inline constexpr uint8_t kPropSendTime = 0x02;
inline constexpr uint8_t kPropTextIndirect = 0x04;
inline constexpr uint8_t kPropTextDirect = 0x84;
inline constexpr uint8_t kPropSubject = 0x08;
inline constexpr uint8_t kPropSenderName = 0x0D;
inline constexpr uint8_t kPropSenderAddress = 0x0E;
inline constexpr uint8_t kPropReceiveTime = 0x12;
inline constexpr uint8_t kPropRecipientName = 0x13;
inline constexpr uint8_t kPropRecipientAddress = 0x14;

// Folder records of the folder list (Folders.dbx): laid out like message
// records. These are ids without the direct bit; every number may be stored
// direct (bit 0x80 set, the u24 value) or indirect (a u32 in the data area).
inline constexpr uint8_t kFolderId = 0x00;
inline constexpr uint8_t kFolderParent = 0x01;
inline constexpr uint8_t kFolderName = 0x02;          // string: the display name
inline constexpr uint8_t kFolderFileName = 0x03;      // string: its mailbox file
inline constexpr uint8_t kFolderAccountKey = 0x05;    // string
inline constexpr uint8_t kFolderFlags = 0x06;
inline constexpr uint8_t kFolderMessageCount = 0x07;
inline constexpr uint8_t kFolderUnreadCount = 0x08;
inline constexpr uint8_t kFolderSpecial = 0x09;       // 1 Inbox .. 5 Drafts
inline constexpr uint8_t kFolderAccountKind = 0x0A;   // 0 news .. 4 the root
inline constexpr uint32_t kRootFolderParent = 0xFFFFFFFF;  // the root's parent id

// Text block.
inline constexpr uint64_t kBlockTextLength = 0x08;  // u16
inline constexpr uint64_t kBlockNext = 0x0C;
inline constexpr uint64_t kBlockHeaderSize = 0x10;
inline constexpr uint64_t kBlockSize = 0x210;      // what real files use
inline constexpr uint32_t kBlockTextCapacity = 0x200;
inline constexpr uint64_t kBlockCapacityField = 0x04;  // 0x200 in a live block

// Free chunk: a text block given back when its message was deleted. Its
// header is one word longer than a live block's, so the word at 0x10 takes
// the place of the first 4 text bytes.
inline constexpr uint32_t kFreeChunkUsable = 0x1FC;  // at 0x04
inline constexpr uint32_t kFreeChunkSize = 0x210;    // at 0x08
inline constexpr uint64_t kFreeChunkSizeField = 0x08;
inline constexpr uint64_t kFreeChunkNext = 0x0C;
inline constexpr uint64_t kFreeChunkPrevious = 0x10;
inline constexpr uint64_t kFreeChunkText = 0x14;  // the text bytes that survive
inline constexpr uint32_t kFreeChunkLostBytes = 4;

}  // namespace quernel::dbx
