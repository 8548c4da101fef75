// The vexa library's functions for .NET: every function is __stdcall, every
// buffer a byte[] that the caller allocates with the size the function
// needs. On Linux (Mono, .NET) "vexa" resolves to libvexa.so.
using System.Runtime.InteropServices;

namespace Vexa
{
    public static class Native
    {
        const string Library = "vexa";
        const CallingConvention Call = CallingConvention.StdCall;

        // Results: 0 is success; see the README for the other codes.
        public const int ResultOk = 0;
        public const int ResultBadArgument = 10;
        public const int ResultNoReply = 5;
        public const int ResultNoReplyIso15693 = 2;
        public const int ResultRequestFailed = 4;
        public const byte RequestWakeUp = 0;
        public const byte RequestIdle = 1;
        public const byte Iso15693Addressed = 0x22;

        [DllImport(Library, CallingConvention = Call)] public static extern int GetRecData(int reserved);

        // ---- the reader ----
        [DllImport(Library, CallingConvention = Call)] public static extern int SetDeviceAddress(byte address, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int SetBandrate(byte speedCode, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int SetSerNum(byte[] serialNumber /* 8 */, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int GetSerNum(byte[] serialNumber /* 9 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_WriteUserInfo(byte param, int count, byte[] data);
        [DllImport(Library, CallingConvention = Call)] public static extern int GetVersionNum(byte[] version /* 126 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int ControlLED(byte param1, byte param2, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ControlBuzzer(byte param1, byte param2, byte[] replyByte);

        // ---- ISO/IEC 14443 Type A ----
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Request(byte mode, byte[] answer /* 2 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Anticoll(byte[] serial /* 4 */, byte[] info /* 1 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Select(byte[] serial /* 4 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Halt();
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Getsnr(byte param1, byte param2, byte[] info, byte[] serial /* 4 */);
        // MIFARE Classic: key is 6 bytes, and key[0..3] hold the card's serial
        // number afterwards; write the key back before reusing the buffer.
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Read(byte keyMode, byte firstBlock, byte blockCount, byte[] key, byte[] data /* 16 per block */);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Write(byte keyMode, byte firstBlock, byte blockCount, byte[] key, byte[] data);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_InitValue(byte keyMode, byte block, byte[] key, byte[] value /* 4 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Dec(byte keyMode, byte block, byte[] key, byte[] value);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Inc(byte keyMode, byte block, byte[] key, byte[] value);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_Restore(byte param, int count, byte[] data);
        [DllImport(Library, CallingConvention = Call)] public static extern int UL_Request(byte mode, byte[] serial /* 7 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int UL_HLRead(byte mode, byte page, byte[] serial /* 7 */, byte[] data /* 16 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int UL_HLWrite(byte mode, byte page, byte[] serial /* 7 */, byte[] data /* 4 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int MF_TypeATransCOSCmd(byte[] command, int commandLength, byte[] response);

        // ---- ISO/IEC 14443 Type B ----
        [DllImport(Library, CallingConvention = Call)] public static extern int TypeB_Request(byte[] answer /* 126 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int Type_B(byte[] answer /* 126 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int TYPEB_SFZSNR(byte param1, byte param2, byte[] info, byte[] serial /* 8 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int TypeB_TransCOS(byte[] command, int commandLength, byte[] response /* 127 */);

        // ---- ISO/IEC 15693: flags 0x22 sends the 8-byte uid ----
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_Inventory(byte[] cardCount /* 1 */, byte[] cardRecords /* 240 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_StayQuiet(byte flags, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_Select(byte flags, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_ResetToReady(byte flags, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_Read(byte flags, byte firstBlock, byte blockCount, byte[] uid, byte[] blockData /* 126 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_Write(byte flags, byte firstBlock, byte blockCount, byte[] uid, byte[] blockData);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_Lock(byte flags, byte block, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_GetMulSecurity(byte flags, byte firstBlock, byte blockCount, byte[] uid, byte[] securityStatus /* 126 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_WriteAFI(byte flags, byte afi, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_LockAFI(byte flags, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_WriteDSFID(byte flags, byte dsfid, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_LockDSFID(byte flags, byte[] uid, byte[] replyByte);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_GetSysInfo(byte flags, byte[] uid, byte[] sysInfo /* 15 */);
        [DllImport(Library, CallingConvention = Call)] public static extern int ISO15693_TransCOSCmd(byte[] command, int commandLength, byte[] response /* 126 */);
    }
}
