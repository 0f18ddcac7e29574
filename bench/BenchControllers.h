#pragma once
// Controller files for the benchmarks: PID and PIDMA controllers in both
// dialects, about 70 keys each, in turn.
#include <string>

namespace velmora::bench {

inline const char* const kTemplates[] = {
    // PID, IEC, placed, two inputs with cascade, filtered and scaled analog output.
    "Type=PID\r\nHeaderInST=1\r\nRemanent=1\r\nOffReg=1000\r\nOffRem=-1\r\nInputMode=2\r\nCascade=1\r\n"
    "Y1Name=T_In\r\nY1OVF=T_Ovf\r\nY1UNF=T_Unf\r\nY1Unit=Other\r\nY1CNVMode=0\r\nY1Filtr=1\r\nY1Tau=50\r\n"
    "Y1Measure=1\r\nY1x1=0\r\nY1x2=10000\r\nY1y1=0\r\nY1y2=9000\r\nY1Min=0\r\nY1Max=9000\r\nY2Name=T2\r\n"
    "Y2CNVMode=0\r\nY2Min=0\r\nY2Max=10000\r\nY3Name=Pos\r\nY3CNVMode=0\r\nPBnd=250\r\nRelCool=1000\r\n"
    "Ti=1200\r\nTd=50\r\nEGap=20\r\nIGap=0\r\nDGap=0\r\nMaxY=9000\r\nMinY=0\r\nOutCycle=100\r\nP41=0\r\nUDef="
    "0\r\n"
    "UdefLastU=1\r\nWFiltr=1\r\nTiW=0\r\nUPosition=0\r\nUAnalog=1\r\nUF=0\r\nUFiltr=1\r\nUTau=10\r\nUMax="
    "10000\r\n"
    "UMin=0\r\ndUMax=500\r\nA8=0\r\nA12=0\r\nA16=1\r\nUReal=0\r\nUMeasure=0\r\nAO=0\r\nUBipolar=0\r\n"
    "UpName=Valve\r\nAM=1\r\ngW=6500\r\nSimulation=0\r\nTypSoustavy=2\r\nSu=1\r\nTau1=10\r\nTau2=5\r\n",
    // PID, mnemonic with the structure overlay, pulse output.
    "Type=PID\r\nHeaderInST=0\r\nRemanent=1\r\nFoundStruct=1\r\nInputMode=1\r\nY1Name=Speed\r\n"
    "Y1CNVMode=-751\r\nY1Min=0\r\nY1Max=10000\r\nPBnd=800\r\nRelCool=1000\r\nTi=300\r\nTd=0\r\nEGap=50\r\n"
    "MaxY=10000\r\nMinY=0\r\nOutCycle=50\r\nP41=1\r\nWFiltr=0\r\nTiW=20\r\nUAnalog=0\r\nUF=3\r\nUpName=Up\r\n"
    "UmName=Down\r\nAM=0\r\nOutput=2500\r\nSimulation=0\r\nTypSoustavy=1\r\nSu=2,5\r\nTau1=30\r\n",
    // PIDMA, IEC, retained parameters placed.
    "Type=PIDA\r\nHeaderInST=1\r\nRemanent=1\r\nOffRem=500\r\nirtype=7\r\nRACT=0\r\nk=2,5\r\nti=30\r\ntd="
    "0\r\n"
    "nd=10\r\nb=1\r\nc=0\r\ntt=15\r\nhilim=100\r\nlolim=0\r\nTs=0,5\r\nInput=Humidity\r\nOutput=Heater\r\n"
    "ittype=7\r\niainf=1\r\nispeed=2\r\nipid=1\r\nDGC=0\r\ntdg=2\r\ntn=2\r\namp=15\r\ndy=5\r\nAM=1\r\nsp=45,"
    "5\r\nhv=0\r\n",
    // PIDMA, mnemonic with the structure overlay, not retained.
    "Type=PIDA\r\nHeaderInST=0\r\nRemanent=0\r\nFoundStruct=1\r\nirtype=3\r\nRACT=1\r\nk=0,8\r\nti=120\r\n"
    "td=12,5\r\nnd=8\r\nb=1\r\nc=0\r\ntt=60\r\nhilim=95\r\nlolim=5\r\nTs=1\r\nInput=Temp\r\nOutput=Burner\r\n"
    "ittype=3\r\niainf=2\r\nispeed=1\r\nipid=2\r\nDGC=1\r\ntdg=20\r\ntn=10\r\namp=10\r\ndy=3\r\nAM=0\r\nhv="
    "20\r\n",
};

// "Loop_0" ... "Loop_<n-1>", each from the next template, then a desktop section.
inline std::string ControllerFileText(int controllers) {
    std::string text;
    for (int c = 0; c < controllers; ++c) {
        const std::string name = "Loop_" + std::to_string(c);
        text += "[Regulator " + name + "]\r\nName=" + name + "\r\nReleaseNumber=0\r\n";
        text += kTemplates[c % 4];
        text += "\r\n";
    }
    text += "[Desktop]\r\nCount=0\r\n";
    return text;
}

}  // namespace velmora::bench
