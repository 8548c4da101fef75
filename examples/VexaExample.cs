// Reads block 1 of a MIFARE Classic card under key A and prints the
// reader's version.
using System;
using System.Text;
using Vexa;

static class VexaExample
{
    const byte KeyModeA = 0x00;

    static int Main()
    {
        var version = new byte[126];
        if (Native.GetVersionNum(version) != Native.ResultOk)
        {
            Console.Error.WriteLine("no reader");
            return 1;
        }
        Console.WriteLine("reader: " + Encoding.ASCII.GetString(version).TrimEnd('\0'));

        // MF_Read overwrites key[0..3]: a fresh copy of the key every call.
        var key = new byte[] { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF };
        var data = new byte[16];
        int result = Native.MF_Read(KeyModeA, 1, 1, (byte[])key.Clone(), data);
        if (result != Native.ResultOk)
        {
            Console.Error.WriteLine("MF_Read returned " + result);
            return 1;
        }
        Console.WriteLine("block 1: " + BitConverter.ToString(data) + "  " + Encoding.ASCII.GetString(data));
        return 0;
    }
}
