#!/usr/bin/python3
"""Signs one upload with Debian's botocore, to check Corvalin's signer against it.

Reads a JSON case on stdin; prints the object URL, the PUT's Authorization header and the
presigned GET URL, all made at the case's instant.
"""
import datetime
import json
import sys

import botocore.auth as auth
from botocore.awsrequest import AWSRequest
from botocore.credentials import Credentials
from botocore.utils import percent_encode

caso = json.load(sys.stdin)
instante = datetime.datetime.strptime(caso["instante"], "%Y%m%dT%H%M%SZ")


class Reloj(datetime.datetime):
    @classmethod
    def utcnow(cls):
        return instante


class ModuloDeFechas:
    datetime = Reloj


auth.datetime = ModuloDeFechas


class SinFirmarElCuerpo:
    s3 = {"payload_signing_enabled": False}


cred = Credentials(caso["access"], caso["secret"])
url = caso["base"] + percent_encode(caso["ruta"], safe="/~")
headers = {"Content-Type": caso["tipo"]}
if caso["acl"]:
    headers["x-amz-acl"] = caso["acl"]
put = AWSRequest(method="PUT", url=url, headers=headers, data=caso["cuerpo"].encode())
if caso["sin_firmar"]:
    put.context["client_config"] = SinFirmarElCuerpo()
auth.S3SigV4Auth(cred, "s3", caso["region"]).add_auth(put)

get = AWSRequest(method="GET", url=url)
auth.S3SigV4QueryAuth(cred, "s3", caso["region"], expires=caso["expira"]).add_auth(get)

json.dump({"url": url, "authorization": put.headers["Authorization"], "presigned": get.url},
          sys.stdout)
