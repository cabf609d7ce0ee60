// Element IDs, marker bits kept, as they appear in the file.
#pragma once

#include <cstdint>

namespace mkv::id {

// EBML header and globals
inline constexpr uint32_t kEbml = 0x1A45DFA3;
inline constexpr uint32_t kEbmlVersion = 0x4286;
inline constexpr uint32_t kEbmlReadVersion = 0x42F7;
inline constexpr uint32_t kEbmlMaxIdLength = 0x42F2;
inline constexpr uint32_t kEbmlMaxSizeLength = 0x42F3;
inline constexpr uint32_t kDocType = 0x4282;
inline constexpr uint32_t kDocTypeVersion = 0x4287;
inline constexpr uint32_t kDocTypeReadVersion = 0x4285;
inline constexpr uint32_t kVoid = 0xEC;
inline constexpr uint32_t kCrc32 = 0xBF;

// Segment level
inline constexpr uint32_t kSegment = 0x18538067;
inline constexpr uint32_t kSeekHead = 0x114D9B74;
inline constexpr uint32_t kSeek = 0x4DBB;
inline constexpr uint32_t kSeekId = 0x53AB;
inline constexpr uint32_t kSeekPosition = 0x53AC;
inline constexpr uint32_t kInfo = 0x1549A966;
inline constexpr uint32_t kTracks = 0x1654AE6B;
inline constexpr uint32_t kCluster = 0x1F43B675;
inline constexpr uint32_t kCues = 0x1C53BB6B;
inline constexpr uint32_t kAttachments = 0x1941A469;
inline constexpr uint32_t kChapters = 0x1043A770;
inline constexpr uint32_t kTags = 0x1254C367;

// Info
inline constexpr uint32_t kSegmentUuid = 0x73A4;
inline constexpr uint32_t kTimestampScale = 0x2AD7B1;
inline constexpr uint32_t kDuration = 0x4489;
inline constexpr uint32_t kDateUtc = 0x4461;
inline constexpr uint32_t kTitle = 0x7BA9;
inline constexpr uint32_t kMuxingApp = 0x4D80;
inline constexpr uint32_t kWritingApp = 0x5741;

// Cluster
inline constexpr uint32_t kTimestamp = 0xE7;
inline constexpr uint32_t kPosition = 0xA7;
inline constexpr uint32_t kPrevSize = 0xAB;
inline constexpr uint32_t kSimpleBlock = 0xA3;
inline constexpr uint32_t kBlockGroup = 0xA0;
inline constexpr uint32_t kBlock = 0xA1;
inline constexpr uint32_t kBlockAdditions = 0x75A1;
inline constexpr uint32_t kBlockMore = 0xA6;
inline constexpr uint32_t kBlockAddId = 0xEE;
inline constexpr uint32_t kBlockAdditional = 0xA5;
inline constexpr uint32_t kBlockDuration = 0x9B;
inline constexpr uint32_t kReferencePriority = 0xFA;
inline constexpr uint32_t kReferenceBlock = 0xFB;
inline constexpr uint32_t kCodecState = 0xA4;
inline constexpr uint32_t kDiscardPadding = 0x75A2;
inline constexpr uint32_t kSilentTracks = 0x5854;
inline constexpr uint32_t kEncryptedBlock = 0xAF;

// Tracks
inline constexpr uint32_t kTrackEntry = 0xAE;
inline constexpr uint32_t kTrackNumber = 0xD7;
inline constexpr uint32_t kTrackUid = 0x73C5;
inline constexpr uint32_t kTrackType = 0x83;
inline constexpr uint32_t kFlagEnabled = 0xB9;
inline constexpr uint32_t kFlagDefault = 0x88;
inline constexpr uint32_t kFlagForced = 0x55AA;
inline constexpr uint32_t kFlagLacing = 0x9C;
inline constexpr uint32_t kDefaultDuration = 0x23E383;
inline constexpr uint32_t kTrackTimestampScale = 0x23314F;
inline constexpr uint32_t kName = 0x536E;
inline constexpr uint32_t kLanguage = 0x22B59C;
inline constexpr uint32_t kLanguageBcp47 = 0x22B59D;
inline constexpr uint32_t kCodecId = 0x86;
inline constexpr uint32_t kCodecPrivate = 0x63A2;
inline constexpr uint32_t kCodecName = 0x258688;
inline constexpr uint32_t kCodecDelay = 0x56AA;
inline constexpr uint32_t kSeekPreRoll = 0x56BB;
inline constexpr uint32_t kVideo = 0xE0;
inline constexpr uint32_t kFlagInterlaced = 0x9A;
inline constexpr uint32_t kStereoMode = 0x53B8;
inline constexpr uint32_t kPixelWidth = 0xB0;
inline constexpr uint32_t kPixelHeight = 0xBA;
inline constexpr uint32_t kPixelCropBottom = 0x54AA;
inline constexpr uint32_t kPixelCropTop = 0x54BB;
inline constexpr uint32_t kPixelCropLeft = 0x54CC;
inline constexpr uint32_t kPixelCropRight = 0x54DD;
inline constexpr uint32_t kDisplayWidth = 0x54B0;
inline constexpr uint32_t kDisplayHeight = 0x54BA;
inline constexpr uint32_t kDisplayUnit = 0x54B2;
inline constexpr uint32_t kAudio = 0xE1;
inline constexpr uint32_t kSamplingFrequency = 0xB5;
inline constexpr uint32_t kOutputSamplingFrequency = 0x78B5;
inline constexpr uint32_t kChannels = 0x9F;
inline constexpr uint32_t kBitDepth = 0x6264;
inline constexpr uint32_t kContentEncodings = 0x6D80;
inline constexpr uint32_t kContentEncoding = 0x6240;
inline constexpr uint32_t kContentEncodingOrder = 0x5031;
inline constexpr uint32_t kContentEncodingScope = 0x5032;
inline constexpr uint32_t kContentEncodingType = 0x5033;
inline constexpr uint32_t kContentCompression = 0x5034;
inline constexpr uint32_t kContentCompAlgo = 0x4254;
inline constexpr uint32_t kContentCompSettings = 0x4255;
inline constexpr uint32_t kContentEncryption = 0x5035;
inline constexpr uint32_t kContentEncAlgo = 0x47E1;
inline constexpr uint32_t kContentEncKeyId = 0x47E2;

// Attachments
inline constexpr uint32_t kAttachedFile = 0x61A7;
inline constexpr uint32_t kFileDescription = 0x467E;
inline constexpr uint32_t kFileName = 0x466E;
inline constexpr uint32_t kFileMediaType = 0x4660;
inline constexpr uint32_t kFileData = 0x465C;
inline constexpr uint32_t kFileUid = 0x46AE;

// Chapters
inline constexpr uint32_t kEditionEntry = 0x45B9;
inline constexpr uint32_t kEditionUid = 0x45BC;
inline constexpr uint32_t kEditionFlagHidden = 0x45BD;
inline constexpr uint32_t kEditionFlagDefault = 0x45DB;
inline constexpr uint32_t kEditionFlagOrdered = 0x45DD;
inline constexpr uint32_t kChapterAtom = 0xB6;
inline constexpr uint32_t kChapterUid = 0x73C4;
inline constexpr uint32_t kChapterStringUid = 0x5654;
inline constexpr uint32_t kChapterTimeStart = 0x91;
inline constexpr uint32_t kChapterTimeEnd = 0x92;
inline constexpr uint32_t kChapterFlagHidden = 0x98;
inline constexpr uint32_t kChapterFlagEnabled = 0x4598;
inline constexpr uint32_t kChapterSegmentUuid = 0x6E67;
inline constexpr uint32_t kChapterSegmentEditionUid = 0x6EBC;
inline constexpr uint32_t kChapterPhysicalEquiv = 0x63C3;
inline constexpr uint32_t kChapterTrack = 0x8F;
inline constexpr uint32_t kChapterTrackUid = 0x89;
inline constexpr uint32_t kChapterDisplay = 0x80;
inline constexpr uint32_t kChapString = 0x85;
inline constexpr uint32_t kChapLanguage = 0x437C;
inline constexpr uint32_t kChapLanguageBcp47 = 0x437D;
inline constexpr uint32_t kChapCountry = 0x437E;

// Tags
inline constexpr uint32_t kTag = 0x7373;
inline constexpr uint32_t kTargets = 0x63C0;
inline constexpr uint32_t kTargetTypeValue = 0x68CA;
inline constexpr uint32_t kTargetType = 0x63CA;
inline constexpr uint32_t kTagTrackUid = 0x63C5;
inline constexpr uint32_t kTagEditionUid = 0x63C9;
inline constexpr uint32_t kTagChapterUid = 0x63C4;
inline constexpr uint32_t kTagAttachmentUid = 0x63C6;
inline constexpr uint32_t kSimpleTag = 0x67C8;
inline constexpr uint32_t kTagName = 0x45A3;
inline constexpr uint32_t kTagLanguage = 0x447A;
inline constexpr uint32_t kTagLanguageBcp47 = 0x447B;
inline constexpr uint32_t kTagDefault = 0x4484;
inline constexpr uint32_t kTagDefaultBogus = 0x44B4;
inline constexpr uint32_t kTagString = 0x4487;
inline constexpr uint32_t kTagBinary = 0x4485;

// Children an unknown-sized Cluster may hold; any other ID ends it.
inline constexpr bool IsClusterChild(uint32_t elementId) {
    switch (elementId) {
        case kTimestamp:
        case kPosition:
        case kPrevSize:
        case kSimpleBlock:
        case kBlockGroup:
        case kSilentTracks:
        case kEncryptedBlock:
        case kVoid:
        case kCrc32:
            return true;
        default:
            return false;
    }
}

}  // namespace mkv::id
